# The chart renderer of the studyhost command: cairo pictures of a host's
# chart. Included from this folder's CMakeLists.txt when the command is built.
add_library(qlx_studyhost_render STATIC ${CMAKE_CURRENT_LIST_DIR}/renderer.cpp)
target_link_libraries(qlx_studyhost_render PUBLIC qlx_studyhost_runtime PkgConfig::CAIRO)
