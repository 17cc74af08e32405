# The chart renderer of the studyhost command: cairo pictures of a host's
# chart. Included from this folder's CMakeLists.txt when the command is built.
add_library(qlx_studyhost_render STATIC ${CMAKE_CURRENT_LIST_DIR}/renderer.cpp)
# Text goes through fontconfig, whose caches are freed at exit.
pkg_check_modules(FONTCONFIG REQUIRED IMPORTED_TARGET fontconfig)
target_link_libraries(qlx_studyhost_render PUBLIC qlx_studyhost_runtime PkgConfig::CAIRO)
target_link_libraries(qlx_studyhost_render PRIVATE PkgConfig::FONTCONFIG)
