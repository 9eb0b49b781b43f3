# The Windows program: the Win32 adapters, WinMain and its resources, the help file, the zip.
enable_language(RC)
add_library(tolvane_windows STATIC
  windows/FormWindow.cpp
  windows/Keyboard.cpp
  windows/NetworkControl.cpp
  windows/ProfileStore.cpp
  windows/SendKeys.cpp
  windows/SerialControl.cpp
  windows/SerialSession.cpp
  windows/Services.cpp
  windows/Toolkit.cpp
)
target_link_libraries(tolvane_windows PUBLIC tolvane_core user32 gdi32 shell32 advapi32 comctl32 ws2_32)
target_compile_definitions(tolvane_windows PUBLIC _WIN32_WINNT=0x0601 WINVER=0x0601)
tolvane_warnings(tolvane_windows)

# One file, no runtime to install: the C and C++ runtimes are linked in.
add_executable(Tolvane WIN32 windows/WinMain.cpp windows/Tolvane.rc)
# The 32-bit program keeps Windows' file virtualisation (no execution level in its manifest);
# a 64-bit program is never virtualised and runs asInvoker.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set_property(SOURCE windows/Tolvane.rc APPEND PROPERTY COMPILE_DEFINITIONS TOLVANE_FILE_VIRTUALISATION)
endif()
# windres reports no dependencies of its own.
set_property(SOURCE windows/Tolvane.rc APPEND PROPERTY OBJECT_DEPENDS
  ${PROJECT_SOURCE_DIR}/windows/Tolvane.manifest ${PROJECT_SOURCE_DIR}/windows/Tolvane32.manifest
  ${PROJECT_SOURCE_DIR}/windows/Tolvane.ico)
target_link_libraries(Tolvane PRIVATE tolvane_windows)
target_link_options(Tolvane PRIVATE -static -static-libgcc -static-libstdc++)
set_target_properties(Tolvane PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
tolvane_warnings(Tolvane)
enable_testing()
add_test(NAME manifest COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/check-manifest.sh $<TARGET_FILE:Tolvane>)
include(cmake/Help.cmake)
tolvane_help(Tolvane ${CMAKE_BINARY_DIR})

# The zip users unpack.
install(TARGETS Tolvane RUNTIME DESTINATION .)
install(FILES ${CMAKE_BINARY_DIR}/Tolvane.chm OPTIONAL DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/README-windows.txt DESTINATION . RENAME README.txt)
set(CPACK_GENERATOR ZIP)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_PACKAGE_FILE_NAME "Tolvane-${PROJECT_VERSION}-win32")

if(TOLVANE_WINE_TESTS)
  enable_testing()
  add_subdirectory(tests/wine)
endif()
