# The files of the programs, in the places Debian gives them; component "cli" is the package
# morvex-search (morvex-search, morvex-import and morvex-harvest), "gui" the package morvex.
include(GNUInstallDirs)

# `cmake --install --strip` and the packages strip as Debian does.
set(CMAKE_STRIP ${PROJECT_SOURCE_DIR}/packaging/debian-strip CACHE FILEPATH "Strip as dh_strip does" FORCE)

set(MORVEX_DOC_BUILD ${CMAKE_BINARY_DIR}/doc)
file(MAKE_DIRECTORY ${MORVEX_DOC_BUILD})

# Gzipped as Debian wants them: best compression, no name or time stamp inside.
function(morvex_gzip output input)
    add_custom_command(OUTPUT ${output}
        COMMAND sh -c "gzip -9n -c \"$1\" > \"$2\"" morvex-gzip ${input} ${output}
        DEPENDS ${input} VERBATIM)
endfunction()

# The manual page and the Debian changelog of package, then its documents and its copyright.
function(morvex_package_docs component package)
    morvex_gzip(${MORVEX_DOC_BUILD}/${package}.1.gz ${PROJECT_SOURCE_DIR}/docs/man/${package}.1)
    set(PACKAGE ${package})
    set(VERSION ${PROJECT_VERSION}-1)
    configure_file(${PROJECT_SOURCE_DIR}/packaging/debian/changelog.in
                   ${MORVEX_DOC_BUILD}/${package}/changelog.Debian @ONLY)
    morvex_gzip(${MORVEX_DOC_BUILD}/${package}/changelog.Debian.gz ${MORVEX_DOC_BUILD}/${package}/changelog.Debian)
    add_custom_target(${package}-docs ALL
        DEPENDS ${MORVEX_DOC_BUILD}/${package}.1.gz ${MORVEX_DOC_BUILD}/${package}/changelog.Debian.gz)
    install(FILES ${MORVEX_DOC_BUILD}/${package}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT ${component})
    install(FILES ${MORVEX_DOC_BUILD}/${package}/changelog.Debian.gz
            DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${component})
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/debian/${package}.copyright
            DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} RENAME copyright COMPONENT ${component})
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/debian/${package}.lintian-overrides
            DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME ${package} COMPONENT ${component})
endfunction()

install(TARGETS morvex-search morvex-import morvex-harvest RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT cli)
morvex_package_docs(cli morvex-search)
# morvex-import and morvex-harvest come in the package morvex-search, each with its own manual
# page and completions.
foreach(program morvex-import morvex-harvest)
    morvex_gzip(${MORVEX_DOC_BUILD}/${program}.1.gz ${PROJECT_SOURCE_DIR}/docs/man/${program}.1)
    add_custom_target(${program}-docs ALL DEPENDS ${MORVEX_DOC_BUILD}/${program}.1.gz)
    install(FILES ${MORVEX_DOC_BUILD}/${program}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT cli)
    install(FILES completions/${program}.bash
            DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME ${program} COMPONENT cli)
    install(FILES completions/_${program} DESTINATION ${CMAKE_INSTALL_DATADIR}/zsh/vendor-completions COMPONENT cli)
    install(FILES completions/${program}.fish
            DESTINATION ${CMAKE_INSTALL_DATADIR}/fish/vendor_completions.d COMPONENT cli)
endforeach()
install(FILES completions/morvex-search.bash
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME morvex-search COMPONENT cli)
install(FILES completions/_morvex-search DESTINATION ${CMAKE_INSTALL_DATADIR}/zsh/vendor-completions COMPONENT cli)
install(FILES completions/morvex-search.fish
        DESTINATION ${CMAKE_INSTALL_DATADIR}/fish/vendor_completions.d COMPONENT cli)
# The invented sample form files that the manual page's examples search.
install(FILES samples/KER1994.INF samples/KER1995.INF samples/KER1996.INF
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/morvex-search/examples COMPONENT cli)

if(MORVEX_GUI)
    install(TARGETS morvex RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT gui)
    morvex_package_docs(gui morvex)
    install(FILES app/org.morvex.morvex.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT gui)
    # KER????.INF as a type of its own, which the desktop entry opens.
    install(FILES app/org.morvex.morvex.mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
            RENAME org.morvex.morvex.xml COMPONENT gui)
    install(FILES app/morvex.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
            RENAME org.morvex.morvex.svg COMPONENT gui)
    configure_file(app/org.morvex.morvex.metainfo.xml.in ${MORVEX_DOC_BUILD}/org.morvex.morvex.metainfo.xml @ONLY)
    install(FILES ${MORVEX_DOC_BUILD}/org.morvex.morvex.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo
            COMPONENT gui)
endif()
