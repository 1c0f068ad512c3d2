# Run by CPack once the package is built (CPACK_POST_BUILD_SCRIPTS): lintian checks the
# package as Debian would, and any error or warning fails the package step. Information
# tags are shown too, to be looked at; none fails it.
find_program(LINTIAN lintian)
if(NOT LINTIAN)
    message(FATAL_ERROR "lintian is missing: scripts/install-deps.sh package installs it")
endif()
foreach(package IN LISTS CPACK_PACKAGE_FILES)
    message(STATUS "lintian ${package}")
    execute_process(COMMAND ${LINTIAN} --display-info --fail-on error,warning ${package}
        RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "lintian found errors or warnings in ${package}")
    endif()
endforeach()
