cmake_minimum_required(VERSION 3.25)
# Fails when a file of FOLDER includes a header of a known folder outside ALLOWED.
#
# Known folders nest (platform/media and its rooms): a header belongs to the deepest known folder
# that holds it, and FOLDER's own files are those that belong to no deeper known folder. A folder
# is allowed when ALLOWED names it or a folder above it (capture/ may use every room of
# platform/media by naming platform/media); an entry of ALLOWED that is a header's path allows
# that one header of an otherwise forbidden folder.

string(REPLACE "," ";" allowed "${ALLOWED}")
string(REPLACE "," ";" known "${KNOWN}")

# The deepest known folder holding `path`, or "" when none does.
function(owning_folder path out)
    set(best "")
    string(LENGTH "${best}" bestLength)
    foreach(folder IN LISTS known)
        string(FIND "${path}" "${folder}/" at)
        string(LENGTH "${folder}" length)
        if(at EQUAL 0 AND length GREATER bestLength)
            set(best "${folder}")
            set(bestLength ${length})
        endif()
    endforeach()
    set(${out} "${best}" PARENT_SCOPE)
endfunction()

function(is_allowed header folder out)
    set(result FALSE)
    if(header IN_LIST allowed)
        set(result TRUE)
    endif()
    foreach(entry IN LISTS allowed)
        string(FIND "${folder}/" "${entry}/" at)
        if(at EQUAL 0)
            set(result TRUE)
        endif()
    endforeach()
    set(${out} ${result} PARENT_SCOPE)
endfunction()

file(GLOB_RECURSE files RELATIVE ${ROOT} ${ROOT}/${FOLDER}/*.h ${ROOT}/${FOLDER}/*.cpp)
set(failures "")
foreach(rel IN LISTS files)
    owning_folder("${rel}" home)
    if(NOT home STREQUAL FOLDER)
        continue() # a deeper folder's file, checked by that folder's library
    endif()
    file(STRINGS ${ROOT}/${rel} lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    foreach(line IN LISTS lines)
        string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]*)\".*" "\\1" header "${line}")
        owning_folder("${header}" folder)
        if(NOT folder STREQUAL "" AND NOT folder STREQUAL FOLDER)
            is_allowed("${header}" "${folder}" ok)
            if(NOT ok)
                list(APPEND failures "${rel}: includes ${header}, but ${FOLDER} may not depend on ${folder}")
            endif()
        endif()
    endforeach()
endforeach()
if(failures)
    list(JOIN failures "\n" text)
    message(FATAL_ERROR "Wrong-direction include:\n${text}")
endif()
file(TOUCH ${STAMP})
