# The page's build of the tools put beside the page (cmake/pagetools.cmake):
# the tools that were built copied as they are, a warning naming those that
# were not, and no folder made where none was built.
#   cmake -DSCRIPT=<cmake/pagetools.cmake> -DWORK_DIR=<scratch folder> -P check_pagetools.cmake

function(put_beside built to)
  execute_process(COMMAND ${CMAKE_COMMAND} -DPAGE_TOOLS=${built} -DTO=${to} -P ${SCRIPT}
                  RESULT_VARIABLE code OUTPUT_QUIET ERROR_VARIABLE said)
  if(NOT code EQUAL 0)
    message(SEND_ERROR "pagetools.cmake ended with ${code}:\n${said}")
  endif()
  string(REGEX REPLACE "[ \n]+" " " said "${said}")
  set(said "${said}" PARENT_SCOPE)
endfunction()

file(REMOVE_RECURSE ${WORK_DIR})
file(WRITE ${WORK_DIR}/built/kippdreh/kippdreh.js "var kippdrehTool;\n")
file(WRITE ${WORK_DIR}/built/messkart/messkart.js "var messkartTool;\n")
put_beside(${WORK_DIR}/built ${WORK_DIR}/some)
file(READ ${WORK_DIR}/some/kippdreh.js kippdreh)
file(READ ${WORK_DIR}/some/messkart.js messkart)
if(NOT kippdreh STREQUAL "var kippdrehTool;\n" OR NOT messkart STREQUAL "var messkartTool;\n")
  message(SEND_ERROR "copied: [${kippdreh}] [${messkart}]")
endif()
if(EXISTS ${WORK_DIR}/some/glattzug.js OR EXISTS ${WORK_DIR}/some/passnetz.js)
  message(SEND_ERROR "a tool that was never built lies beside the page")
endif()
string(FIND "${said}" "The page's build of glattzug, passnetz, messkartbericht is not in ${WORK_DIR}/built" named)
if(named EQUAL -1)
  message(SEND_ERROR "the warning names the missing tools and where they were looked for: ${said}")
endif()

file(MAKE_DIRECTORY ${WORK_DIR}/none)
put_beside(${WORK_DIR}/none ${WORK_DIR}/nothing)
if(EXISTS ${WORK_DIR}/nothing)
  message(SEND_ERROR "a folder for the tools made where none was built")
endif()
string(FIND "${said}" "kippdreh, glattzug, messkart, passnetz, messkartbericht is not in ${WORK_DIR}/none" named)
if(named EQUAL -1)
  message(SEND_ERROR "the warning names all five: ${said}")
endif()
file(REMOVE_RECURSE ${WORK_DIR})
