# Packages users install, made by cpack from a build tree; what goes in each is the front end's
# (cmake/platforms/): the Windows program as a zip, the Linux program as a Debian package.
set(CPACK_PACKAGE_NAME tolvane)
set(CPACK_PACKAGE_VENDOR "Tolvane Software")
set(CPACK_PACKAGE_CONTACT "Tolvane Software <support@tolvane.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "serial keyboard wedge for bar-code scanners")
set(CPACK_STRIP_FILES ON)

include(CPack)
