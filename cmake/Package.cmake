# Packages users install, made by cpack from a build tree; what goes in each is the front end's
# (cmake/platforms/): the Windows program as a zip, the Linux program as a Debian package.
set(CPACK_PACKAGE_NAME tolvane)
set(CPACK_PACKAGE_VENDOR "Tolvane Software")
set(CPACK_PACKAGE_CONTACT "Tolvane Software <support@tolvane.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "serial keyboard wedge for bar-code scanners")
# The Windows program is linked stripped already (cmake/platforms/windows.cmake), and may be signed by then.
if(NOT WIN32)
  set(CPACK_STRIP_FILES ON)
endif()

include(CPack)
