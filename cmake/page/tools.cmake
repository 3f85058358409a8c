# Each tool of the page's build under a name of its own, so that the page
# can load all of them side by side: kippdrehTool, glattzugTool, messkartTool,
# passnetzTool and messkartberichtTool (messkart's report for the measuring
# desk), each a function that makes a fresh instance; each with the memory
# file system's in-place change of a file's length (memfs.js) and with
# WORKERFS, through which a worker reads a picture from the file the user
# chose, its read errors the tool's own (workerfs.js).
foreach(page_tool kippdreh glattzug messkart passnetz messkartbericht)
  target_link_options(${page_tool} PRIVATE "-sEXPORT_NAME=${page_tool}Tool" -lworkerfs.js "SHELL:--post-js ${CMAKE_CURRENT_LIST_DIR}/memfs.js"
                      "SHELL:--post-js ${CMAKE_CURRENT_LIST_DIR}/workerfs.js")
  set_property(TARGET ${page_tool} APPEND PROPERTY LINK_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/memfs.js ${CMAKE_CURRENT_LIST_DIR}/workerfs.js)
endforeach()
