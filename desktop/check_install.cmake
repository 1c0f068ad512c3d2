# Test script: installs the build into a scratch prefix and checks that the desktop finds
# everything there: both programs, the demo data generator, the compressed man pages, the
# bash completion, the copyright and changelog, the menu entry (with its action that opens
# the balance window, an option the installed editor knows), the metainfo and every icon,
# and that AppStream accepts the installed tree as a whole.
# Run with -DBUILD_DIR=... -DSCRATCH=... -DDESKTOP_ID=...
file(REMOVE_RECURSE "${SCRATCH}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${SCRATCH}/usr"
    RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "cmake --install failed: ${status}")
endif()

set(expected
    bin/valmor-editor
    bin/valmor-data
    bin/valmor-demo-data
    share/man/man1/valmor-editor.1.gz
    share/man/man1/valmor-data.1.gz
    share/man/man1/valmor-demo-data.1.gz
    share/bash-completion/completions/valmor-data
    share/doc/valmor-editor/copyright
    share/doc/valmor-editor/changelog.gz
    share/applications/${DESKTOP_ID}.desktop
    share/metainfo/${DESKTOP_ID}.metainfo.xml
    share/icons/hicolor/scalable/apps/${DESKTOP_ID}.svg)
foreach(size IN ITEMS 16 22 24 32 48 64 128 256)
    list(APPEND expected share/icons/hicolor/${size}x${size}/apps/${DESKTOP_ID}.png)
endforeach()
set(missing)
foreach(path IN LISTS expected)
    if(NOT EXISTS "${SCRATCH}/usr/${path}")
        list(APPEND missing ${path})
    endif()
endforeach()
if(missing)
    message(FATAL_ERROR "not installed: ${missing}")
endif()

file(READ "${SCRATCH}/usr/share/applications/${DESKTOP_ID}.desktop" entry)
if(NOT entry MATCHES "\\[Desktop Action balance\\]\nName=Open with balance window\nExec=valmor-editor --balance %f")
    message(FATAL_ERROR "the menu entry has no action \"Open with balance window\"")
endif()
execute_process(COMMAND "${SCRATCH}/usr/bin/valmor-editor" --help
    OUTPUT_VARIABLE help RESULT_VARIABLE status)
if(NOT status EQUAL 0 OR NOT help MATCHES "--balance")
    message(FATAL_ERROR "the installed valmor-editor does not know --balance: ${status}")
endif()

execute_process(COMMAND appstreamcli validate-tree --no-net "${SCRATCH}"
    RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "appstreamcli validate-tree failed: ${status}")
endif()
