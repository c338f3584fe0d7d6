# Run by CPack on its installed copy before it makes the package (CPACK_PRE_BUILD_SCRIPTS):
# compresses the manual pages and adds the files a Debian package documents itself with.
find_program(GZIP gzip REQUIRED)
set(root ${CPACK_TEMPORARY_INSTALL_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX})
if(NOT IS_DIRECTORY ${root}/bin)
    message(FATAL_ERROR "No installed programs under ${root}")
endif()

file(GLOB pages ${root}/share/man/man*/*.[1-9])
foreach(page IN LISTS pages)
    execute_process(COMMAND ${GZIP} -9nf ${page} COMMAND_ERROR_IS_FATAL ANY)
endforeach()

set(doc ${root}/share/doc/${CPACK_PACKAGE_NAME})
file(MAKE_DIRECTORY ${doc})
file(COPY_FILE ${CPACK_TARNOLIX_LICENSE} ${doc}/copyright)
string(TIMESTAMP now "%a, %d %b %Y %H:%M:%S +0000" UTC)
file(WRITE ${doc}/changelog
    "${CPACK_PACKAGE_NAME} (${CPACK_PACKAGE_VERSION}) unstable; urgency=medium\n\n"
    "  * Release ${CPACK_PACKAGE_VERSION}, packaged from the project's own build.\n\n"
    " -- ${CPACK_DEBIAN_PACKAGE_MAINTAINER}  ${now}\n")
execute_process(COMMAND ${GZIP} -9nf ${doc}/changelog COMMAND_ERROR_IS_FATAL ANY)
file(CHMOD ${doc}/copyright ${doc}/changelog.gz PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
