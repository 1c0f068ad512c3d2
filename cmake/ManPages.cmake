# Manual pages, and the package's changelog, are installed compressed as Debian wants them:
# gzip -9n, which leaves out the file name and time stamp, so every build writes the same
# bytes.
function(valmor_gzip source output)
    add_custom_command(OUTPUT ${output}
        COMMAND gzip -9n --stdout ${source} > ${output}
        DEPENDS ${source}
        COMMENT "Compressing ${source}"
        VERBATIM)
endfunction()

# Installs docs/PAGE, a page of section 1 of the manual, compressed.
function(valmor_install_man_page page)
    set(compressed ${PROJECT_BINARY_DIR}/man/${page}.gz)
    valmor_gzip(${PROJECT_SOURCE_DIR}/docs/${page} ${compressed})
    add_custom_target(man_${page} ALL DEPENDS ${compressed})
    install(FILES ${compressed} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()
