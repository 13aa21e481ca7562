# SPDX-License-Identifier: GPL-3.0-or-later
# Manual pages for kelvor and kelvor-cli, made from their --help and --version by
# help2man at build time (kelvor-cli's with a section per command, from each
# command's --help). Both programs answer those without a display; the pages
# are made with the display variables cleared, so a build on a headless machine
# proves it. Without help2man the build goes on without the pages (and says so).

find_program(HELP2MAN_PROGRAM help2man)
find_program(GZIP_PROGRAM gzip)
if(NOT HELP2MAN_PROGRAM OR NOT GZIP_PROGRAM)
  message(WARNING "help2man or gzip not found: the manual pages of kelvor and kelvor-cli are not made")
  return()
endif()

set(KELVOR_MAN_DIR ${CMAKE_BINARY_DIR}/man)
file(MAKE_DIRECTORY ${KELVOR_MAN_DIR})
set(pages)
foreach(entry "kelvor;gui;KELVOR four-channel thermometer and data logger"
              "kelvor-cli;cli;the KELVOR thermometer from the command line")
  list(GET entry 0 program)
  list(GET entry 1 component)
  list(GET entry 2 name)
  set(page ${KELVOR_MAN_DIR}/${program}.1)
  set(include ${CMAKE_SOURCE_DIR}/packaging/linux/man/${program}.h2m)
  set(includes "--include=${include}")
  set(generated)
  if(program STREQUAL "kelvor-cli")
    # Every command's options, read from the commands' own --help.
    set(generated ${KELVOR_MAN_DIR}/${program}-commands.h2m)
    add_custom_command(
      OUTPUT ${generated}
      COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY --unset=QT_QPA_PLATFORM
              ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:${program}> -DOUTPUT=${generated}
              -P ${CMAKE_SOURCE_DIR}/cmake/manpagecommands.cmake
      DEPENDS ${program} ${CMAKE_SOURCE_DIR}/cmake/manpagecommands.cmake
      COMMENT "Collecting the options of every kelvor-cli command"
      VERBATIM)
    list(APPEND includes "--include=${generated}")
  endif()
  # Run through PATH, so the page says "kelvor", not the build folder's path.
  add_custom_command(
    OUTPUT ${page}.gz
    COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY --unset=QT_QPA_PLATFORM
            "PATH=$<TARGET_FILE_DIR:${program}>:$ENV{PATH}"
            ${HELP2MAN_PROGRAM} --no-info --no-discard-stderr --section=1 "--name=${name}"
            ${includes} --output=${page} ${program}
    COMMAND ${GZIP_PROGRAM} -9nf ${page}
    DEPENDS ${program} ${include} ${generated}
    COMMENT "Making the manual page of ${program}"
    VERBATIM)
  list(APPEND pages ${page}.gz)
  install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT ${component})
endforeach()
add_custom_target(kelvor_manpages ALL DEPENDS ${pages})
