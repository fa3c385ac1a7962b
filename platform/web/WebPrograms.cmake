# The show as WebAssembly: `solmire` for the page (build-web/index.html loads solmire.js, which
# loads solmire.wasm and the content pack solmire.data) and `solmire-node`, the same program for
# node with the machine's files, which the checks run headless.
if(NOT SOLMIRE_WEB_DATA OR NOT EXISTS ${SOLMIRE_WEB_DATA}/solmire.xm)
  message(FATAL_ERROR "SOLMIRE_WEB_DATA must name a content pack (a native tree's data folder)")
endif()

# emcc's linker steps run its node tools, which need Debian's node modules when the node on
# PATH is another one: so that a build by hand (cmake --build build-web) works too.
set_property(GLOBAL PROPERTY RULE_LAUNCH_LINK "env NODE_PATH=/usr/share/nodejs")

# SDL's audio for the browser calls these from JavaScript; CMake would mangle the $ on a
# command line, so they go in a response file.
set(solmire_web_rsp ${CMAKE_BINARY_DIR}/web-library-funcs.rsp)
file(WRITE ${solmire_web_rsp} "-sDEFAULT_LIBRARY_FUNCS_TO_INCLUDE=[\"$autoResumeAudioContext\",\"$dynCall\"]\n")

set(solmire_web_common
  -sALLOW_MEMORY_GROWTH=1
  -sINITIAL_MEMORY=134217728
  -sEXIT_RUNTIME=1
  "@${solmire_web_rsp}"
)

# The page: the show's blocking loop gives the page its turn at every wait (Asyncify unwinds
# to the browser in emscripten_sleep); the page starts it after the click that allows sound.
set_target_properties(solmire PROPERTIES SUFFIX ".js")
target_link_options(solmire PRIVATE
  ${solmire_web_common}
  -sENVIRONMENT=web
  -sASYNCIFY=1
  -sASYNCIFY_STACK_SIZE=262144
  -sINVOKE_RUN=0
  -sEXPORTED_RUNTIME_METHODS=callMain
  --preload-file ${SOLMIRE_WEB_DATA}@/data
  --exclude-file ${SOLMIRE_WEB_DATA}/.stamp
)
set_property(TARGET solmire APPEND PROPERTY LINK_DEPENDS ${SOLMIRE_WEB_DATA}/.stamp)

# Node: the files are the machine's own; no waits to unwind from (it only renders headless).
add_executable(solmire-node ${PROJECT_SOURCE_DIR}/app/main.cpp)
target_link_libraries(solmire-node PRIVATE solmire_app)
target_compile_definitions(solmire-node PRIVATE SOLMIRE_VERSION="${PROJECT_VERSION}")
set_target_properties(solmire-node PROPERTIES SUFFIX ".js" RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
solmire_warnings(solmire-node)
target_link_options(solmire-node PRIVATE
  ${solmire_web_common}
  -sENVIRONMENT=node
  -sNODERAWFS=1
  -sWASM_ASYNC_COMPILATION=0
)

# The page beside the program.
configure_file(${CMAKE_CURRENT_LIST_DIR}/index.html ${CMAKE_BINARY_DIR}/index.html COPYONLY)
