# Debian's hardening flags, as dpkg-buildflags gives them with every hardening feature on:
# fortified libc functions, the strong stack protector, format checks, and relocations made
# read-only (relro) and bound at start (bindnow). They go into the optimised builds, which are
# what the package is made from, and so also into the tests run on that build. The build type
# keeps choosing optimisation and debug information; fortification needs the optimisation, so
# Debug builds keep their flags, as do the sanitizer and fuzzing builds. Sets TARNOLIX_HARDENED.
option(TARNOLIX_HARDENING "Build RelWithDebInfo and Release with Debian's hardening flags" ON)
find_program(DPKG_BUILDFLAGS dpkg-buildflags)
set(TARNOLIX_HARDENED OFF)
if(TARNOLIX_HARDENING AND DPKG_BUILDFLAGS AND CMAKE_BUILD_TYPE MATCHES "^(RelWithDebInfo|Release)$"
   AND NOT TARNOLIX_SANITIZE AND NOT TARNOLIX_FUZZ)
    foreach(kind CXXFLAGS CPPFLAGS LDFLAGS)
        # Hardening only: the reproducible-build features would map the source folder to "."
        # in the debug information, which a debugger of this build needs whole.
        execute_process(
            COMMAND ${CMAKE_COMMAND} -E env "DEB_BUILD_MAINT_OPTIONS=hardening=+all reproducible=-all"
                    ${DPKG_BUILDFLAGS} --get ${kind}
            OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
        separate_arguments(flags UNIX_COMMAND "${flags}")
        list(FILTER flags EXCLUDE REGEX "^-(g|O.*)$")
        set(hardening_${kind} ${flags})
    endforeach()
    add_compile_options(${hardening_CXXFLAGS} ${hardening_CPPFLAGS})
    add_link_options(${hardening_LDFLAGS})
    set(TARNOLIX_HARDENED ON)
    string(JOIN " " shown ${hardening_CXXFLAGS} ${hardening_CPPFLAGS} ${hardening_LDFLAGS})
    message(STATUS "Hardening flags: ${shown}")
endif()
