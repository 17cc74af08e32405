# make-dist's check on a machine whose JSON library is another version than
# the one dist/ holds: one line that names both versions and the skip code,
# not a report of every file as changed.
file(REMOVE_RECURSE ${WORK})
file(COPY ${JSON_INCLUDE}/nlohmann DESTINATION ${WORK})
foreach(header detail/abi_macros.hpp json.hpp)
  if(EXISTS ${WORK}/nlohmann/${header})
    file(READ ${WORK}/nlohmann/${header} text)
    string(REGEX REPLACE "(define NLOHMANN_JSON_VERSION_PATCH) +[0-9]+" "\\1 999" text "${text}")
    file(WRITE ${WORK}/nlohmann/${header} "${text}")
  endif()
endforeach()
execute_process(COMMAND ${PYTHON} ${SCRIPT} --check --json-include ${WORK}
                RESULT_VARIABLE code ERROR_VARIABLE said OUTPUT_QUIET)
string(REGEX MATCHALL "\n" lines "${said}")
list(LENGTH lines count)
if(NOT code EQUAL 77 OR NOT count EQUAL 1 OR NOT said MATCHES "this machine has [0-9]+\\.[0-9]+\\.999")
  message(FATAL_ERROR "expected one line and code 77, got code ${code}:\n${said}")
endif()
