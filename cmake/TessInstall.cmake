# What `cmake --install build --prefix P` puts where, all below P: the
# programs in bin, the default show in share/tessaline (the program looks in
# ../share/tessaline beside its own folder), a manual page for each program
# (made by help2man from --help), the desktop entry, and the icon cut from the
# show in the hicolor theme. `cpack -G DEB` in the build folder makes a package
# of the same files for /usr.
include(GNUInstallDirs)

set(TESS_PROGRAMS tessaline scl pack mpegdec showtrace spin3d)
install(TARGETS ${TESS_PROGRAMS} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_BINARY_DIR}/app/v01.dat DESTINATION ${CMAKE_INSTALL_DATADIR}/tessaline)
# Without lame no soundtrack is built; the show then runs silent.
install(FILES ${PROJECT_BINARY_DIR}/app/vo.mp3 DESTINATION ${CMAKE_INSTALL_DATADIR}/tessaline OPTIONAL)
install(FILES ${PROJECT_SOURCE_DIR}/app/tessaline.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(DIRECTORY ${TESS_ICON_DIR}/ DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor)

find_program(TESS_HELP2MAN help2man)
if(TESS_HELP2MAN)
  set(pages)
  foreach(program ${TESS_PROGRAMS})
    set(page ${PROJECT_BINARY_DIR}/man/${program}.1)
    set(include ${PROJECT_SOURCE_DIR}/docs/man/${program}.h2m)
    add_custom_command(OUTPUT ${page}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
      COMMAND ${TESS_HELP2MAN} --no-info --section=1 --include=${include} --output=${page} $<TARGET_FILE:${program}>
      DEPENDS ${program} ${include}
      COMMENT "Making the manual page ${program}.1")
    list(APPEND pages ${page})
  endforeach()
  add_custom_target(tess_man_pages ALL DEPENDS ${pages})
  install(FILES ${pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
else()
  message(WARNING "help2man not found: no manual pages are made or installed (scripts/packages.txt lists it)")
endif()

set(CPACK_PACKAGE_NAME tessaline)
set(CPACK_PACKAGE_VENDOR "Tessaline")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "self-running 640 x 480, 256-colour audiovisual show")
set(CPACK_PACKAGE_DESCRIPTION "A self-running show of layered pictures in step with its music, with its
own graphics framework, audio stream library and MPEG audio decoder, and
the tools that make and check its files (pack, scl, mpegdec, showtrace).")
set(CPACK_PACKAGE_CONTACT "Tessaline developers <tessaline@localhost>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
