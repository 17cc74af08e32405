# studyhost's network side: the libcurl transport and the mock level data
# service. Included from this folder's CMakeLists.txt when the studyhost
# command is built (its libraries are found only then).
add_library(qlx_studyhost_net STATIC
  ${CMAKE_CURRENT_LIST_DIR}/curl_transport.cpp
  ${CMAKE_CURRENT_LIST_DIR}/level_service_faults.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mock_level_service.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mock_service_faults.cpp)
target_link_libraries(qlx_studyhost_net PUBLIC
  qlx_studyhost_runtime CURL::libcurl PkgConfig::HTTPLIB Threads::Threads)
