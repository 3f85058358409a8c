# Run by cpack on the staged package: the programs lose the sections that
# Debian's package builds remove (strip --remove-section=.comment
# --remove-section=.note), after cpack's own strip.
find_program(KARTEN_STRIP strip REQUIRED)
file(GLOB programs ${CPACK_TEMPORARY_INSTALL_DIRECTORY}/usr/bin/*)
foreach(program IN LISTS programs)
  execute_process(COMMAND ${KARTEN_STRIP} --remove-section=.comment --remove-section=.note ${program}
                  COMMAND_ERROR_IS_FATAL ANY)
endforeach()
