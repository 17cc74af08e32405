# The chart renderer of the studyhost command: cairo pictures of a chart.
# Included from this folder's CMakeLists.txt when the command is built.
add_library(qlx_studyhost_render STATIC
  ${CMAKE_CURRENT_LIST_DIR}/axes_painter.cpp
  ${CMAKE_CURRENT_LIST_DIR}/canvas.cpp
  ${CMAKE_CURRENT_LIST_DIR}/drawing_painter.cpp
  ${CMAKE_CURRENT_LIST_DIR}/renderer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/subgraph_painter.cpp)
# Text goes through fontconfig, whose caches are freed at exit.
pkg_check_modules(FONTCONFIG REQUIRED IMPORTED_TARGET fontconfig)
target_link_libraries(qlx_studyhost_render PUBLIC qlx_studyhost_layout PkgConfig::CAIRO)
target_link_libraries(qlx_studyhost_render PRIVATE PkgConfig::FONTCONFIG)
