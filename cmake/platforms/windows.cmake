# The Windows program: the Win32 adapters, WinMain and its resources, the help file, the zip.
enable_language(RC)
add_library(tolvane_windows STATIC
  windows/FormWindow.cpp
  windows/Keyboard.cpp
  windows/NetworkControl.cpp
  windows/ProfileStore.cpp
  windows/SendKeys.cpp
  windows/PortWorker.cpp
  windows/SerialControl.cpp
  windows/SerialSession.cpp
  windows/Services.cpp
  windows/Toolkit.cpp
)
target_link_libraries(tolvane_windows PUBLIC tolvane_core user32 gdi32 shell32 advapi32 comctl32 ole32 wtsapi32 ws2_32)
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
# Linked stripped: the program in both packages is this file, and a signature would not survive a later strip.
target_link_options(Tolvane PRIVATE -static -static-libgcc -static-libstdc++ -s)
set_target_properties(Tolvane PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
tolvane_warnings(Tolvane)
enable_testing()
add_test(NAME manifest COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/check-manifest.sh $<TARGET_FILE:Tolvane>)
include(cmake/Help.cmake)
tolvane_help(Tolvane ${CMAKE_BINARY_DIR})

# The zip users unpack.
install(TARGETS Tolvane RUNTIME DESTINATION .)
install(FILES ${CMAKE_BINARY_DIR}/Tolvane.chm OPTIONAL DESTINATION .)
# With Windows line ends: Notepad before Windows 10 1809 shows a file without them as one line.
file(READ ${PROJECT_SOURCE_DIR}/packaging/README-windows.txt readme)
string(REPLACE "\n" "\r\n" readme "${readme}")
file(WRITE ${CMAKE_BINARY_DIR}/README.txt "${readme}")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/packaging/README-windows.txt)
install(FILES ${CMAKE_BINARY_DIR}/README.txt DESTINATION .)
# Its README tells, before anything is unpacked, of the mark Windows puts on downloads and how to
# take it off, without which the help shows blank pages.
add_test(NAME readme_download COMMAND bash -c
  "for w in 'Mark of the Web' SmartScreen Tolvane.chm 'Unblock-File' '\"Unblock\"'; do grep -qF \"$w\" \"$0\" || { echo \"README lacks $w\"; exit 1; }; done"
  ${PROJECT_SOURCE_DIR}/packaging/README-windows.txt)
set(CPACK_GENERATOR ZIP)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_PACKAGE_FILE_NAME "Tolvane-${PROJECT_VERSION}-win32")

# The Windows Installer package administrators deploy, Tolvane-<version>-x86.msi (x64 from the 64-bit build), made
# from packaging/Tolvane.wxs by scripts/msi.sh with wixl and msibuild (msitools). It carries TolvaneSetup.dll, its
# one custom action, which is never installed.
add_library(TolvaneSetup SHARED windows/SetupActions.cpp)
target_link_libraries(TolvaneSetup PRIVATE msi)
# Windows Installer calls the entry point by its bare name, which a 32-bit __stdcall export would decorate.
target_link_options(TolvaneSetup PRIVATE -static -s -Wl,--kill-at)
set_target_properties(TolvaneSetup PROPERTIES PREFIX "" RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
tolvane_warnings(TolvaneSetup)

find_program(TOLVANE_WIXL wixl DOC "The Windows Installer package builder of msitools")
find_program(TOLVANE_MSIBUILD msibuild DOC "The Windows Installer database editor of msitools")
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(TOLVANE_MSI_ARCH x64)
else()
  set(TOLVANE_MSI_ARCH x86)
endif()
set(TOLVANE_MSI ${CMAKE_BINARY_DIR}/Tolvane-${PROJECT_VERSION}-${TOLVANE_MSI_ARCH}.msi)
if(TOLVANE_WIXL AND TOLVANE_MSIBUILD AND TOLVANE_CHMCMD)
  add_custom_command(
    OUTPUT ${TOLVANE_MSI}
    COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/msi.sh ${TOLVANE_MSI_ARCH} ${PROJECT_VERSION} ${CMAKE_BINARY_DIR}
            ${TOLVANE_MSI}
    DEPENDS Tolvane TolvaneSetup ${CMAKE_BINARY_DIR}/Tolvane.chm ${PROJECT_SOURCE_DIR}/packaging/Tolvane.wxs
            ${PROJECT_SOURCE_DIR}/scripts/msi.sh ${PROJECT_SOURCE_DIR}/windows/Tolvane.ico
    COMMENT "Making the Windows Installer package ${TOLVANE_MSI}"
    VERBATIM)
  add_custom_target(tolvane_msi ALL DEPENDS ${TOLVANE_MSI})
  if(TOLVANE_MSI_ARCH STREQUAL x86)
    # The product's package cannot be installed here (no 32-bit Wine): its tables are read instead. The 64-bit
    # one is installed under Wine (tests/e2e/msi.sh).
    add_test(NAME msi_x86_tables COMMAND bash ${PROJECT_SOURCE_DIR}/tests/packaging/x86-package.sh ${TOLVANE_MSI}
                                         ${CMAKE_BINARY_DIR})
    add_test(NAME signing COMMAND bash ${PROJECT_SOURCE_DIR}/tests/packaging/signing.sh
                                  ${CMAKE_BINARY_DIR}/Tolvane.exe ${TOLVANE_MSI})
  endif()
else()
  message(WARNING "wixl, msibuild (Debian packages wixl, msitools) or chmcmd not found: no Windows Installer package")
endif()

if(TOLVANE_WINE_TESTS)
  enable_testing()
  add_subdirectory(tests/wine)
endif()
