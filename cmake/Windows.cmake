# Dependencies of the Windows cross build (cmake/mingw-w64-x86_64.cmake). The
# Debian packages that serve the Linux build hold Linux files, so the JSON
# library is taken header-only and GoogleTest is compiled from its source
# package with the cross compilers.

# nlohmann/json: only its own folder goes on the include path, through a link
# in the build tree; /usr/include itself would bring in Linux C headers.
set(QLX_NLOHMANN_DIR /usr/include/nlohmann CACHE PATH "Folder of the nlohmann/json headers")
if(NOT EXISTS ${QLX_NLOHMANN_DIR}/json.hpp)
  message(FATAL_ERROR "nlohmann/json headers not found in ${QLX_NLOHMANN_DIR} (nlohmann-json3-dev)")
endif()
set(qlx_json_include ${CMAKE_BINARY_DIR}/third_party/include)
file(MAKE_DIRECTORY ${qlx_json_include})
file(CREATE_LINK ${QLX_NLOHMANN_DIR} ${qlx_json_include}/nlohmann SYMBOLIC)
add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
set_target_properties(nlohmann_json::nlohmann_json PROPERTIES
  INTERFACE_INCLUDE_DIRECTORIES ${qlx_json_include}
  INTERFACE_SYSTEM_INCLUDE_DIRECTORIES ${qlx_json_include})

if(QLX_BUILD_TESTS)
  set(QLX_GOOGLETEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources (googletest)")
  if(NOT EXISTS ${QLX_GOOGLETEST_SOURCE_DIR}/CMakeLists.txt)
    message(FATAL_ERROR "GoogleTest sources not found in ${QLX_GOOGLETEST_SOURCE_DIR} (googletest)")
  endif()
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  # GoogleTest is not our code: it builds with its own warning flags rather
  # than under our -Werror set.
  get_directory_property(qlx_compile_options COMPILE_OPTIONS)
  set_directory_properties(PROPERTIES COMPILE_OPTIONS "")
  add_subdirectory(${QLX_GOOGLETEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/third_party/googletest
                   EXCLUDE_FROM_ALL SYSTEM)
  set_directory_properties(PROPERTIES COMPILE_OPTIONS "${qlx_compile_options}")
  foreach(qlx_gtest_target gtest gtest_main)
    if(NOT TARGET GTest::${qlx_gtest_target})
      add_library(GTest::${qlx_gtest_target} ALIAS ${qlx_gtest_target})
    endif()
  endforeach()

  # Each test program is registered as one test that runs it whole under Wine.
  # Listing a program's tests would start Wine during the build and once more
  # per test; one run per program keeps the Windows suite fast, and a failure
  # still names every failing test in the program's output.
  include(GoogleTest)
  function(gtest_discover_tests target)
    cmake_parse_arguments(ARG "NO_PRETTY_TYPES;NO_PRETTY_VALUES"
      "WORKING_DIRECTORY;TEST_PREFIX;TEST_SUFFIX;DISCOVERY_TIMEOUT;DISCOVERY_MODE;TEST_LIST;XML_OUTPUT_DIR"
      "EXTRA_ARGS;PROPERTIES;TEST_FILTER" ${ARGN})
    if(NOT ARG_WORKING_DIRECTORY)
      set(ARG_WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
    endif()
    set(name ${ARG_TEST_PREFIX}${target}${ARG_TEST_SUFFIX})
    set(filter "")
    if(ARG_TEST_FILTER)
      set(filter "--gtest_filter=${ARG_TEST_FILTER}")
    endif()
    add_test(NAME ${name} COMMAND ${target} ${filter} ${ARG_EXTRA_ARGS}
             WORKING_DIRECTORY ${ARG_WORKING_DIRECTORY})
    if(ARG_PROPERTIES)
      set_tests_properties(${name} PROPERTIES ${ARG_PROPERTIES})
    endif()
  endfunction()
endif()
