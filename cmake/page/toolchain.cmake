# The page build: the tools compiled to WebAssembly with Emscripten, each one
# JavaScript file with its module embedded (it loads from file://), files in
# the memory file system (NODEFS too, for the tests under node), the tool
# started by the host with its arguments, as often as it likes.
include(/usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake)

set(page_include "${CMAKE_CURRENT_LIST_DIR}/include")
# SSE2 as WebAssembly vectors; C++ exceptions (a failed check unwinds to the
# run frame); no processor feature tests on a target without them.
set(CMAKE_CXX_FLAGS_INIT
    "-isystem ${page_include} -msimd128 -msse2 -fexceptions \"-D__builtin_cpu_supports(feature)=false\" -Wno-ignored-attributes")
set(CMAKE_EXE_LINKER_FLAGS_INIT
    "-fexceptions -sSINGLE_FILE=1 -sMODULARIZE=1 -sINVOKE_RUN=0 -sEXIT_RUNTIME=1 -sALLOW_MEMORY_GROWTH=1 -sMAXIMUM_MEMORY=4GB -sTOTAL_STACK=1048576 -sENVIRONMENT=web,node -sEXPORTED_RUNTIME_METHODS=FS,NODEFS,callMain -lnodefs.js")
