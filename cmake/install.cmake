# SPDX-License-Identifier: GPL-3.0-or-later
# Installation layout (Linux conventions; other platforms take the same relative paths)
# and the Debian packages: kelvor-cli (the command line tool, no display needed) and
# kelvor (the windowed program), which depends on it. Everything installed without a
# COMPONENT goes with the windowed program (CMAKE_INSTALL_DEFAULT_COMPONENT_NAME).

set(KELVOR_APP_ID com.tovra.kelvor)
set(KELVOR_SHARE_DIR ${CMAKE_INSTALL_DATADIR}/kelvor)
set(KELVOR_PACKAGE_RELEASE 1)  # the Debian revision; packaging/linux/changelog names it too

# The changelog and the AppStream release list name the version in their own formats;
# a release that forgets one of them stops here instead of shipping a wrong one.
file(STRINGS ${CMAKE_SOURCE_DIR}/packaging/linux/changelog changelogTop LIMIT_COUNT 1)
file(READ ${CMAKE_SOURCE_DIR}/packaging/linux/${KELVOR_APP_ID}.metainfo.xml metainfo)
string(REGEX MATCH "<release version=\"([^\"]+)\"" metainfoRelease "${metainfo}")
set(metainfoVersion "${CMAKE_MATCH_1}")
if(NOT changelogTop MATCHES "^kelvor \\(${PROJECT_VERSION}-${KELVOR_PACKAGE_RELEASE}\\) "
   OR NOT metainfoVersion STREQUAL PROJECT_VERSION)
  message(FATAL_ERROR "Version ${PROJECT_VERSION}-${KELVOR_PACKAGE_RELEASE}: packaging/linux/changelog begins "
                      "'${changelogTop}', the metainfo's newest release is ${metainfoVersion}; give both the new "
                      "version.")
endif()

install(TARGETS kelvor RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT gui)
install(TARGETS kelvor-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT cli)
# kelvor-cli's report writer needs Qt GUI, as the windowed program does.
install(TARGETS kelvor-cli-report RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/kelvor COMPONENT gui)

# A stripped install (CPack strips) also drops the compilers' version notes in
# .comment, as Debian's own packaging does; strip alone keeps them.
find_program(KELVOR_OBJCOPY NAMES ${CMAKE_OBJCOPY} objcopy)
if(KELVOR_OBJCOPY)
  foreach(installed IN ITEMS "gui|${CMAKE_INSTALL_BINDIR}/kelvor" "cli|${CMAKE_INSTALL_BINDIR}/kelvor-cli"
                             "gui|${CMAKE_INSTALL_LIBEXECDIR}/kelvor/kelvor-cli-report")
    string(REPLACE "|" ";" installed "${installed}")
    list(GET installed 0 component)
    list(GET installed 1 file)
    install(CODE "if(CMAKE_INSTALL_DO_STRIP)
  execute_process(COMMAND \"${KELVOR_OBJCOPY}\" --remove-section=.comment
                          \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${file}\" RESULT_VARIABLE stripped)
  if(NOT stripped EQUAL 0)
    message(FATAL_ERROR \"cannot remove .comment from ${file}\")
  endif()
endif()" COMPONENT ${component})
  endforeach()
endif()

# Read-only files in the shared data folder; the program copies what the user may
# change (template, working copy) into its writable data folder.
install(FILES ${KELVOR_TEMPLATE_FILE} DESTINATION ${KELVOR_SHARE_DIR}/template)
# The example profiles for kelvor-cli check (docs/profiles.md).
install(FILES resources/profiles/leadfree-reflow.json resources/profiles/food-cooling.json
              resources/profiles/heat-treatment-soak.json
        DESTINATION ${KELVOR_SHARE_DIR}/profiles COMPONENT cli)
# The help page is built into the program (it copies it into the data folder); the
# installed copy is the same manual for reading in a browser.
if(EXISTS ${CMAKE_SOURCE_DIR}/resources/KELVORHELP.htm)
  install(FILES resources/KELVORHELP.htm DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/kelvor COMPONENT gui)
endif()

include(cmake/manpages.cmake)

if(UNIX AND NOT APPLE)
  set(linux ${CMAKE_SOURCE_DIR}/packaging/linux)
  install(FILES ${linux}/${KELVOR_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT gui)
  install(FILES ${linux}/${KELVOR_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT gui)
  install(FILES ${linux}/${KELVOR_APP_ID}.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages COMPONENT gui)
  install(FILES ${linux}/icons/${KELVOR_APP_ID}.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps COMPONENT gui)
  install(FILES ${linux}/icons/application-x-kelvor-graph.svg ${linux}/icons/application-x-kelvor-collection.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/mimetypes COMPONENT gui)
  foreach(size 16 32 48 64 128 256)
    install(FILES ${linux}/icons/${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME ${KELVOR_APP_ID}.png COMPONENT gui)
  endforeach()
  # udev looks in <prefix>/lib/udev/rules.d (not the multiarch lib folder). Both
  # programs reach the meter, so the rule goes with the command line tool.
  install(FILES ${linux}/70-kelvor.rules DESTINATION lib/udev/rules.d COMPONENT cli)
  install(FILES ${linux}/kelvor-cli.bash-completion DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
          RENAME kelvor-cli COMPONENT cli)

  # Each package carries its copyright file, the Debian changelog (compressed, as the
  # policy wants it) and its lintian overrides.
  find_program(GZIP_PROGRAM gzip REQUIRED)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/packaging/changelog.Debian.gz
                     COMMAND ${GZIP_PROGRAM} -9nc ${linux}/changelog > ${CMAKE_BINARY_DIR}/packaging/changelog.Debian.gz
                     DEPENDS ${linux}/changelog
                     COMMENT "Compressing the Debian changelog")
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/packaging)
  add_custom_target(kelvor_changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/packaging/changelog.Debian.gz)
  foreach(pair "gui;kelvor" "cli;kelvor-cli")
    list(GET pair 0 component)
    list(GET pair 1 package)
    install(FILES ${linux}/copyright ${CMAKE_BINARY_DIR}/packaging/changelog.Debian.gz
            DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${component})
    install(FILES ${linux}/${package}.lintian-overrides DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
            RENAME ${package} COMPONENT ${component})
  endforeach()
endif()

set(CPACK_PACKAGE_NAME kelvor)
set(CPACK_PACKAGE_VENDOR "TOVRA")
set(CPACK_PACKAGE_CONTACT "KELVOR desktop developers <kelvor@example.org>")
# No CPACK_PACKAGE_DESCRIPTION_SUMMARY: CPack would put it above each package's own synopsis.
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
    WORLD_READ WORLD_EXECUTE)
set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL cli gui)
set(CPACK_COMPONENT_GUI_DEPENDS cli)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)  # kelvor: Depends kelvor-cli (= the same version)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${KELVOR_PACKAGE_RELEASE})
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_GUI_PACKAGE_NAME kelvor)
set(CPACK_DEBIAN_GUI_DESCRIPTION
    "companion program of the KELVOR four-channel thermometer
Live front panel, real-time graph, logger download, graph files, text
tables, collection files, printing, PDF reports and spreadsheet exports
for the KELVOR four-channel thermocouple thermometer and data logger.")
set(CPACK_DEBIAN_GUI_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_DEBIAN_CLI_PACKAGE_NAME kelvor-cli)
set(CPACK_DEBIAN_CLI_DESCRIPTION
    "command line tool for the KELVOR four-channel thermometer
Probes the meter, prints live readings, downloads the logger memory,
exports data sets as tables and workbooks, keeps the library of runs and
sets the meter up, without a display. Includes the udev rule that lets
the logged-in user reach the meter.")
include(CPack)
