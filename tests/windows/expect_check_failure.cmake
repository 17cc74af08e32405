# Runs check_study_dll.cmake on a DLL that breaks its rules and passes only
# when the check fails and names every expected problem, so a check that
# accepts anything cannot go unnoticed.
#
#   cmake -DCHECK=<check_study_dll.cmake> -DOBJDUMP=<objdump> -DDLL=<file>
#         -DSTUDY_FUNCTION=<scsf_ name> -DEXPECTED="<text>|<text>|..."
#         -P expect_check_failure.cmake
cmake_minimum_required(VERSION 3.25)

execute_process(
  COMMAND "${CMAKE_COMMAND}" "-DOBJDUMP=${OBJDUMP}" "-DDLL=${DLL}"
          "-DSTUDY_FUNCTION=${STUDY_FUNCTION}" -P "${CHECK}"
  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE result)
if(result EQUAL 0)
  message(FATAL_ERROR "the DLL check accepted ${DLL}:\n${out}")
endif()

string(REPLACE "|" ";" expected "${EXPECTED}")
set(missing "")
foreach(text IN LISTS expected)
  string(FIND "${err}" "${text}" at)
  if(at EQUAL -1)
    list(APPEND missing "${text}")
  endif()
endforeach()
if(missing)
  list(JOIN missing "\n  " missing_text)
  message(FATAL_ERROR "the DLL check failed without naming:\n  ${missing_text}\nIt said:\n${err}")
endif()
message(STATUS "the DLL check rejected ${DLL} as expected")
