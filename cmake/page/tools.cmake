# Each tool of the page's build under a name of its own, so that the page
# can load all four side by side: kippdrehTool, glattzugTool, messkartTool,
# passnetzTool, each a function that makes a fresh instance; and beside them
# messkartberichtTool, messkart's report for the measuring desk.
foreach(page_tool kippdreh glattzug messkart passnetz messkartbericht)
  target_link_options(${page_tool} PRIVATE "-sEXPORT_NAME=${page_tool}Tool")
endforeach()
