# Puts the page's build of the tools beside the measuring desk page as
# werkzeuge/<tool>.js, where the page looks for them first: run by the
# install (and so by cpack) and, for the Windows folder, after the build.
# They are build output of their own (scripts/build-page-tools): without
# them the page is installed all the same and works with pictures the
# console tools wrote, and this says so.
#   cmake -DPAGE_TOOLS=<the page build, build/page> -DTO=<folder> -P pagetools.cmake
set(found "")
set(missing "")
foreach(tool kippdreh glattzug messkart passnetz messkartbericht)
  set(built "${PAGE_TOOLS}/${tool}/${tool}.js")
  if(EXISTS "${built}")
    list(APPEND found "${built}")
  else()
    list(APPEND missing ${tool})
  endif()
endforeach()
if(missing)
  list(JOIN missing ", " names)
  message(WARNING "The page's build of ${names} is not in ${PAGE_TOOLS}: the measuring desk goes without "
                  "it and runs no tool itself. scripts/build-page-tools builds it (with emscripten), "
                  "KARTEN_PAGE_TOOLS_DIR names another folder.")
endif()
if(found)
  file(INSTALL ${found} DESTINATION "${TO}")
endif()
