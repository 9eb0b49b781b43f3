# The Linux program: termios serial, files, typing through uinput or XTest, the Debian package.
add_library(tolvane_linux STATIC
  linux/CommandLine.cpp
  linux/KernelLine.cpp
  linux/NetworkControl.cpp
  linux/ProfileStore.cpp
  linux/SerialControl.cpp
  linux/Services.cpp
)
find_package(Threads REQUIRED)
target_link_libraries(tolvane_linux PUBLIC tolvane_core Threads::Threads)
tolvane_warnings(tolvane_linux)

# Typing on Linux: keymaps from libxkbcommon, keys through uinput or XTest.
find_package(PkgConfig REQUIRED)
pkg_check_modules(TYPING REQUIRED IMPORTED_TARGET xkbcommon xkbcommon-x11 x11 x11-xcb xtst)
add_library(tolvane_typing STATIC
  linux/XkbLayout.cpp
  linux/Compose.cpp
  linux/TypingEngine.cpp
  linux/Typing.cpp
  linux/Uinput.cpp
  linux/SpareCodes.cpp
  linux/XSession.cpp
  linux/XTest.cpp
)
target_link_libraries(tolvane_typing PUBLIC tolvane_core PkgConfig::TYPING)
tolvane_warnings(tolvane_typing)

add_executable(tolvane linux/Main.cpp)
target_compile_definitions(tolvane PRIVATE TOLVANE_VERSION="${PROJECT_VERSION}")
target_link_libraries(tolvane PRIVATE tolvane_linux tolvane_typing)
tolvane_warnings(tolvane)

# The Debian package.
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

# Tests of this front end, added by tests/ beside the portable ones.
set(TOLVANE_PLATFORM_TESTS tests/linux)
