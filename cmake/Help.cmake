# The HTML Help file Tolvane.chm, compiled from windows/help with chmcmd (Debian package fp-utils).
#
#   tolvane_help(<target> <outdir>)
#
# Builds <outdir>/Tolvane.chm (a relative <outdir> is taken from the current binary folder)
# through the target <target>_help, which is part of ALL, and makes <target> depend on it.
# Without chmcmd there is only a warning and no help file.

# Captured here: inside the function CMAKE_CURRENT_LIST_DIR is the caller's folder.
get_filename_component(TOLVANE_HELP_SOURCE_DIR "${CMAKE_CURRENT_LIST_DIR}/../windows/help" ABSOLUTE)

function(tolvane_help target outdir)
  if(NOT TARGET ${target})
    message(FATAL_ERROR "tolvane_help: ${target} is not a target")
  endif()

  find_program(TOLVANE_CHMCMD chmcmd DOC "The CHM compiler of the Free Pascal utilities")
  if(NOT TOLVANE_CHMCMD)
    message(WARNING "chmcmd not found (Debian package fp-utils): Tolvane.chm will not be built")
    return()
  endif()

  get_filename_component(outdir "${outdir}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_BINARY_DIR}")
  set(chm "${outdir}/Tolvane.chm")
  # chmcmd writes the .chm beside the project, so it runs on a copy in the build tree.
  set(work "${CMAKE_CURRENT_BINARY_DIR}/${target}_help")

  file(GLOB sources LIST_DIRECTORIES false CONFIGURE_DEPENDS "${TOLVANE_HELP_SOURCE_DIR}/*")

  # The copy starts empty each time, so a failed compile cannot hand on an old Tolvane.chm.
  add_custom_command(
    OUTPUT "${chm}"
    COMMAND "${CMAKE_COMMAND}" -E rm -rf "${work}"
    COMMAND "${CMAKE_COMMAND}" -E copy_directory "${TOLVANE_HELP_SOURCE_DIR}" "${work}"
    COMMAND "${CMAKE_COMMAND}" -E chdir "${work}" "${TOLVANE_CHMCMD}" Tolvane.hhp
    COMMAND "${CMAKE_COMMAND}" -E make_directory "${outdir}"
    COMMAND "${CMAKE_COMMAND}" -E copy "${work}/Tolvane.chm" "${chm}"
    DEPENDS ${sources}
    COMMENT "Compiling the help file ${chm}"
    VERBATIM)

  add_custom_target(${target}_help ALL DEPENDS "${chm}")
  add_dependencies(${target} ${target}_help)
endfunction()
