# Checks one built study DLL the way the charting host and a clean Windows
# machine see it:
#   - the file is named <study>_64.dll, with no "lib" prefix;
#   - it is a 64-bit Windows DLL;
#   - it exports exactly scdll_DLLVersion, scdll_DLLName and its study
#     function, by name, and nothing else (not even by ordinal);
#   - it imports only DLLs that every Windows system has, so the C++ runtime,
#     libgcc and the thread library are linked in, not left as DLLs to ship.
#
#   cmake -DOBJDUMP=<x86_64-w64-mingw32-objdump> -DDLL=<file>
#         -DSTUDY_FUNCTION=<scsf_ name> -P check_study_dll.cmake
#
# Ends with an error that lists every problem found, or one line that says
# what was checked.
cmake_minimum_required(VERSION 3.25)

foreach(var OBJDUMP DLL STUDY_FUNCTION)
  if(NOT DEFINED ${var} OR "${${var}}" STREQUAL "")
    message(FATAL_ERROR "check_study_dll: ${var} is not set")
  endif()
endforeach()
if(NOT EXISTS "${DLL}")
  message(FATAL_ERROR "${DLL}: no such file")
endif()

# System DLLs a study may import. Lower case; matched without regard to case
# as Windows does. ucrtbase and the api-ms-win-crt forwarders are the C
# runtime of toolchains that target the universal C runtime instead of msvcrt.
set(allowed_imports kernel32.dll msvcrt.dll ucrtbase.dll)
set(allowed_import_pattern "^api-ms-win-crt-[a-z0-9-]+\\.dll$")

set(problems "")

get_filename_component(file_name "${DLL}" NAME)
if(NOT file_name MATCHES "_64\\.dll$")
  list(APPEND problems "file name ${file_name} does not end in _64.dll")
endif()
if(file_name MATCHES "^lib")
  list(APPEND problems "file name ${file_name} carries a lib prefix")
endif()

execute_process(COMMAND "${OBJDUMP}" -p "${DLL}"
                OUTPUT_VARIABLE dump ERROR_VARIABLE dump_error RESULT_VARIABLE dump_result)
if(NOT dump_result EQUAL 0)
  message(FATAL_ERROR "${DLL}: ${OBJDUMP} -p failed (${dump_result}): ${dump_error}")
endif()

if(NOT dump MATCHES "file format pei-x86-64")
  list(APPEND problems "not a 64-bit Windows image")
endif()

# Walk the dump line by line. Semicolons are CMake's list separator; no name
# that matters contains one, so they are simply dropped.
string(REPLACE ";" " " dump "${dump}")
string(REPLACE "\n" ";" lines "${dump}")
set(imports "")
set(exports "")
set(export_addresses 0)
set(section "")
foreach(line IN LISTS lines)
  if(line MATCHES "^[ \t]*DLL Name: (.+)$")
    string(STRIP "${CMAKE_MATCH_1}" name)
    list(APPEND imports "${name}")
  elseif(line MATCHES "^Export Address Table")
    set(section addresses)
  elseif(line MATCHES "^\\[Ordinal/Name Pointer\\] Table")
    set(section names)
  elseif(line MATCHES "^[ \t]*\\[ *[0-9]+\\] (.*)$")
    string(STRIP "${CMAKE_MATCH_1}" entry)
    if(section STREQUAL "addresses")
      math(EXPR export_addresses "${export_addresses} + 1")
    elseif(section STREQUAL "names")
      # Newer objdump puts the ordinal before the name: "+base[   1]  0000 name".
      string(REGEX REPLACE "^.*[ \t]" "" entry "${entry}")
      list(APPEND exports "${entry}")
    endif()
  elseif(NOT line MATCHES "^[ \t]*$")
    set(section "")
  endif()
endforeach()

foreach(name IN LISTS imports)
  string(TOLOWER "${name}" lower)
  if(NOT lower IN_LIST allowed_imports AND NOT lower MATCHES "${allowed_import_pattern}")
    list(APPEND problems "imports ${name}, which is not a system DLL")
  endif()
endforeach()

set(expected_exports scdll_DLLName scdll_DLLVersion ${STUDY_FUNCTION})
foreach(name IN LISTS expected_exports)
  if(NOT name IN_LIST exports)
    list(APPEND problems "does not export ${name}")
  endif()
endforeach()
foreach(name IN LISTS exports)
  if(NOT name IN_LIST expected_exports)
    list(APPEND problems "exports ${name}, which the host does not call")
  endif()
endforeach()
list(LENGTH exports named_exports)
if(NOT export_addresses EQUAL named_exports)
  list(APPEND problems
       "exports ${export_addresses} entries but only ${named_exports} by name")
endif()

if(problems)
  list(JOIN problems "\n  " text)
  message(FATAL_ERROR "${DLL}:\n  ${text}")
endif()
list(JOIN exports ", " export_text)
list(JOIN imports ", " import_text)
message(STATUS "${file_name}: exports ${export_text}; imports ${import_text}")
