# Fails when an object file compiled for a higher instruction-set level (RowKernelsAvx2,
# RowKernelsAvx512, or the sources PREFIX names) defines a global symbol other than its table
# getter (<level><PREFIX>()): the linker keeps one copy of a shared inline function for the whole
# program, and a copy compiled with -mavx2 could end up in baseline code.
# cmake -DNM=<nm> -DOBJECTS=<a|b|...> [-DPREFIX=YuvRowKernels] -P CheckLevelSymbols.cmake
if(NOT PREFIX)
    set(PREFIX RowKernels)
endif()
string(REPLACE "|" ";" objects "${OBJECTS}")
set(checked 0)
set(offending "")
foreach(object IN LISTS objects)
    get_filename_component(name "${object}" NAME)
    if(NOT name MATCHES "^${PREFIX}(Avx2|Avx512)\\.cpp\\.o(bj)?$")
        continue()
    endif()
    math(EXPR checked "${checked} + 1")
    execute_process(COMMAND "${NM}" --defined-only --extern-only -C "${object}"
        OUTPUT_VARIABLE symbols RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "${NM} failed on ${object}")
    endif()
    string(REPLACE "\n" ";" lines "${symbols}")
    foreach(line IN LISTS lines)
        if(line STREQUAL "" OR line MATCHES "(Avx2${PREFIX}|Avx512${PREFIX})\\(\\)$"
           OR line MATCHES "DW\\.ref\\.__gxx_personality_v0$")
            continue()
        endif()
        string(APPEND offending "  ${name}: ${line}\n")
    endforeach()
endforeach()
if(checked EQUAL 0)
    message(FATAL_ERROR "No level object files among: ${OBJECTS}")
endif()
if(offending)
    message(FATAL_ERROR "Level object files define shared symbols:\n${offending}")
endif()
message(STATUS "${checked} level object files define only their tables")
