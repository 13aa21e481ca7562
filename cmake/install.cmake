# SPDX-License-Identifier: GPL-3.0-or-later
# Installation layout (Linux conventions; other platforms take the same relative paths)
# and the Debian package.

set(KELVOR_APP_ID com.tovra.kelvor)
set(KELVOR_SHARE_DIR ${CMAKE_INSTALL_DATADIR}/kelvor)

install(TARGETS kelvor kelvor-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# Read-only files in the shared data folder; the program copies what the user may
# change (template, working copy) into its writable data folder.
install(FILES ${KELVOR_TEMPLATE_FILE} DESTINATION ${KELVOR_SHARE_DIR}/template)
if(EXISTS ${CMAKE_SOURCE_DIR}/resources/KELVORHELP.htm)
  install(FILES resources/KELVORHELP.htm DESTINATION ${KELVOR_SHARE_DIR})
endif()

if(UNIX AND NOT APPLE)
  install(FILES packaging/linux/${KELVOR_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES packaging/linux/${KELVOR_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  install(FILES packaging/linux/icons/${KELVOR_APP_ID}.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  foreach(size 16 32 48 64 128 256)
    install(FILES packaging/linux/icons/${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME ${KELVOR_APP_ID}.png)
  endforeach()
  # udev looks in <prefix>/lib/udev/rules.d (not the multiarch lib folder).
  install(FILES packaging/linux/70-kelvor.rules DESTINATION lib/udev/rules.d)
endif()

set(CPACK_PACKAGE_NAME kelvor)
set(CPACK_PACKAGE_VENDOR "TOVRA")
set(CPACK_PACKAGE_CONTACT "KELVOR desktop developers <kelvor@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "companion program of the KELVOR four-channel thermometer")
set(CPACK_PACKAGE_DESCRIPTION "Live front panel, real-time graph, logger download, graph files,\n text tables, collection files and printing for the KELVOR\n four-channel thermocouple thermometer and data logger.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_GENERATOR DEB)
include(CPack)
