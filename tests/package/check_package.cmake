# The Debian package as cpack makes it from this build: its description names
# every program and the desk, it suggests what the guide sends the user to,
# the samples lie where Debian keeps a package's examples, and the programs
# carry no section that a package need not ship; the page's build of the
# tools, where it was built, lies beside the desk page as it was built.
#   cmake -DCPACK=<cpack> -DBUILD_DIR=<build folder> -DWORK_DIR=<scratch folder> [-DHARDENED=ON]
#         [-DPAGE_TOOLS=<the page build>] -P check_package.cmake

file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})
execute_process(COMMAND ${CPACK} -G DEB --config ${BUILD_DIR}/CPackConfig.cmake -B ${WORK_DIR}
                OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
file(GLOB package ${WORK_DIR}/kartenwerkzeuge_*.deb)
if(NOT package)
  message(FATAL_ERROR "cpack wrote no package into ${WORK_DIR}")
endif()

function(expect_in text wanted what)
  string(FIND "${text}" "${wanted}" at)
  if(at EQUAL -1)
    message(SEND_ERROR "${what} lacks \"${wanted}\":\n${text}")
  endif()
endfunction()

execute_process(COMMAND dpkg-deb -f ${package} Description OUTPUT_VARIABLE description COMMAND_ERROR_IS_FATAL ANY)
foreach(wanted kippdreh glattzug messkart passnetz Messtisch Beispieldateien)
  expect_in("${description}" "${wanted}" "Description")
endforeach()
string(REGEX MATCH "^[^\n]*" synopsis "${description}")
string(LENGTH "${synopsis}" length)
if(length GREATER_EQUAL 80)
  message(SEND_ERROR "the synopsis has ${length} characters: ${synopsis}")
endif()

execute_process(COMMAND dpkg-deb -f ${package} Suggests OUTPUT_VARIABLE suggests COMMAND_ERROR_IS_FATAL ANY)
if(NOT suggests STREQUAL "gdal-bin, chromium | firefox-esr | www-browser\n")
  message(SEND_ERROR "Suggests: ${suggests}")
endif()

execute_process(COMMAND dpkg-deb -c ${package} OUTPUT_VARIABLE contents COMMAND_ERROR_IS_FATAL ANY)
foreach(sample scan.bmp karte.bmp KARTE-HV.TXT)
  expect_in("${contents}" "./usr/share/doc/kartenwerkzeuge/examples/${sample}\n" "the package")
endforeach()
string(FIND "${contents}" "/samples/" old_place)
if(NOT old_place EQUAL -1)
  message(SEND_ERROR "samples still under samples/:\n${contents}")
endif()

execute_process(COMMAND dpkg-deb -x ${package} ${WORK_DIR}/root COMMAND_ERROR_IS_FATAL ANY)
foreach(program kippdreh glattzug messkart passnetz)
  execute_process(COMMAND readelf -S -W ${WORK_DIR}/root/usr/bin/${program}
                  OUTPUT_VARIABLE sections COMMAND_ERROR_IS_FATAL ANY)
  expect_in("${sections}" " .text " "${program}'s sections")
  if(sections MATCHES " \\.comment " OR sections MATCHES " \\.note ")
    message(SEND_ERROR "${program} keeps .comment or .note:\n${sections}")
  endif()
  # Built with Debian's package flags: bound at start, fortified functions.
  if(HARDENED)
    execute_process(COMMAND readelf -d --dyn-syms -W ${WORK_DIR}/root/usr/bin/${program}
                    OUTPUT_VARIABLE dynamic COMMAND_ERROR_IS_FATAL ANY)
    expect_in("${dynamic}" "BIND_NOW" "${program}'s dynamic section")
    expect_in("${dynamic}" "_chk@" "${program}'s dynamic symbols")
  endif()
endforeach()
set(desk ${WORK_DIR}/root/usr/share/kartenwerkzeuge/messtisch)
if(NOT EXISTS ${desk}/index.html)
  message(SEND_ERROR "the package has no ${desk}/index.html")
endif()
foreach(tool kippdreh glattzug messkart passnetz messkartbericht)
  set(built ${PAGE_TOOLS}/${tool}/${tool}.js)
  if(PAGE_TOOLS AND EXISTS ${built})
    execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${built} ${desk}/werkzeuge/${tool}.js RESULT_VARIABLE differs)
    if(differs)
      message(SEND_ERROR "the package's messtisch/werkzeuge/${tool}.js is missing or not ${built}")
    endif()
  elseif(EXISTS ${desk}/werkzeuge/${tool}.js)
    message(SEND_ERROR "the package carries a werkzeuge/${tool}.js that was never built")
  endif()
endforeach()
file(REMOVE_RECURSE ${WORK_DIR})
