# Every dependency comes from Debian's packages.
if(QLX_PLATFORM_BUILD)
  # The platform DLLs build from the single-file sources under dist/, which
  # carry the JSON library inside: nothing to find.
elseif(WIN32 AND CMAKE_CROSSCOMPILING)
  # The Windows cross build takes the JSON headers and GoogleTest's sources.
  include(${CMAKE_CURRENT_LIST_DIR}/Windows.cmake)
else()
  find_package(nlohmann_json 3 REQUIRED)
  if(QLX_BUILD_TESTS)
    find_package(GTest REQUIRED)
    include(GoogleTest)
  endif()
endif()
find_package(Threads REQUIRED)
if(QLX_BUILD_BENCH)
  find_package(benchmark REQUIRED)
endif()
if(QLX_BUILD_STUDYHOST_APP)
  find_package(CURL REQUIRED)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(CAIRO REQUIRED IMPORTED_TARGET cairo)
  find_package(CLI11 REQUIRED)
  pkg_check_modules(HTTPLIB REQUIRED IMPORTED_TARGET cpp-httplib)
endif()

# Code that goes into a study DLL (host/, levelclient/, the studies, the
# platform bridge, the example) keeps to what the platform's own build of a
# study source file accepts, so that the single-file copies under dist/
# build there: C++17, and no RTTI. studyhost, the tests and the tools stay
# on the project's C++20.
function(qlx_study_dll_code)
  foreach(target IN LISTS ARGN)
    set_target_properties(${target} PROPERTIES CXX_STANDARD 17)
    target_compile_options(${target} PRIVATE $<IF:$<CXX_COMPILER_ID:MSVC>,/GR-,-fno-rtti>)
  endforeach()
endfunction()

# A study library: one shared library named <name>_64 that exports its three
# entry points and hides everything else.
function(qlx_add_study target)
  cmake_parse_arguments(ARG "" "" "SOURCES" ${ARGN})
  # Everything after SOURCES lands in ARG_SOURCES; the names of existing
  # targets among it are the libraries to link.
  set(sources "")
  set(libraries ${ARG_UNPARSED_ARGUMENTS})
  foreach(item IN LISTS ARG_SOURCES)
    if(TARGET ${item})
      list(APPEND libraries ${item})
    else()
      list(APPEND sources ${item})
    endif()
  endforeach()
  add_library(${target} SHARED ${sources})
  set_target_properties(${target} PROPERTIES PREFIX "" OUTPUT_NAME "${target}")
  target_link_libraries(${target} PRIVATE ${libraries})
  if(NOT WIN32 AND NOT APPLE)
    target_link_options(${target} PRIVATE -Wl,--no-undefined)
    # Exactly the three entry points are exported.
    set(exports ${PROJECT_SOURCE_DIR}/cmake/study_exports.map)
    target_link_options(${target} PRIVATE -Wl,--version-script=${exports})
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${exports})
  endif()
endfunction()

# A study's folder: every source but the exports built once as the static
# library `core`, so that tests and benchmarks reach its parts, and linked
# with studyhost_exports.cpp into the library `study` that studyhost loads
# (the platform build makes its own library of that name). A folder copied
# from the example may hold its platform_exports.cpp, which needs the
# platform's SDK and so is compiled only into a platform DLL.
function(qlx_add_study_folder core study)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  set(exports ${CMAKE_CURRENT_SOURCE_DIR}/studyhost_exports.cpp)
  list(REMOVE_ITEM sources ${exports} ${CMAKE_CURRENT_SOURCE_DIR}/platform_exports.cpp)
  if(sources)
    add_library(${core} STATIC ${sources})
    target_link_libraries(${core} PUBLIC qlx_levelclient qlx_host)
    qlx_study_dll_code(${core})
  endif()
  if(EXISTS ${exports} AND NOT QLX_PLATFORM_BUILD)
    qlx_add_study(${study} ${core} SOURCES ${exports})
    qlx_study_dll_code(${study})
  endif()
endfunction()

# Hands a program the path of each built target among the rest of its
# arguments, as the definition <TARGET>_PATH in capitals
# (qlx_test_study_64: QLX_TEST_STUDY_64_PATH), and builds the target first.
# Targets this configuration does not build are passed over.
function(qlx_hand_in_paths program)
  foreach(target IN LISTS ARGN)
    if(TARGET ${target})
      string(TOUPPER "${target}_PATH" define)
      target_compile_definitions(${program} PRIVATE ${define}="$<TARGET_FILE:${target}>")
      add_dependencies(${program} ${target})
    endif()
  endforeach()
endfunction()
