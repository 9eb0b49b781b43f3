# Packages users install, made by cpack from a build tree: the Windows program as a zip from
# the win32 tree, the Linux program as a Debian package from the linux tree.
set(CPACK_PACKAGE_NAME tolvane)
set(CPACK_PACKAGE_VENDOR "Tolvane Software")
set(CPACK_PACKAGE_CONTACT "Tolvane Software <support@tolvane.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "serial keyboard wedge for bar-code scanners")
set(CPACK_STRIP_FILES ON)

if(WIN32)
  install(TARGETS Tolvane RUNTIME DESTINATION .)
  install(FILES ${CMAKE_BINARY_DIR}/Tolvane.chm OPTIONAL DESTINATION .)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/README-windows.txt DESTINATION . RENAME README.txt)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
  set(CPACK_PACKAGE_FILE_NAME "Tolvane-${PROJECT_VERSION}-win32")
else()
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  install(TARGETS tolvane RUNTIME DESTINATION bin)
  install(FILES packaging/60-tolvane-uinput.rules DESTINATION lib/udev/rules.d)
  install(FILES packaging/tolvane.service DESTINATION lib/systemd/user)
  # Debian wants the manual page and the changelog (of a native package) compressed, without time stamps.
  foreach(file tolvane.1 changelog)
    add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/${file}.gz
                       COMMAND gzip -9nc ${PROJECT_SOURCE_DIR}/packaging/${file} > ${CMAKE_BINARY_DIR}/${file}.gz
                       DEPENDS ${PROJECT_SOURCE_DIR}/packaging/${file})
  endforeach()
  add_custom_target(package_docs ALL DEPENDS ${CMAKE_BINARY_DIR}/tolvane.1.gz ${CMAKE_BINARY_DIR}/changelog.gz)
  install(FILES ${CMAKE_BINARY_DIR}/tolvane.1.gz DESTINATION share/man/man1)
  install(FILES packaging/copyright DESTINATION share/doc/tolvane)
  install(FILES ${CMAKE_BINARY_DIR}/changelog.gz DESTINATION share/doc/tolvane)
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_PACKAGE_DESCRIPTION
      "Tolvane reads what a bar-code scanner (or any device that sends text over\na serial line) sends, frames each read by the silence after it, cleans it\nup as configured and types it into the focused application, through a\nuinput virtual keyboard (X11, Wayland, the console) or XTest.")
endif()
include(CPack)
