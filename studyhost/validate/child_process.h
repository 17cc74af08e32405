// Runs one test in a child process: a crash, an abort or a hang there is
// reported as that test's failure, and the validator goes on.
#pragma once

#include <chrono>
#include <functional>

#include "studyhost/validate/validate.h"

namespace studyhost::validate {

// Forks, runs `test` in the child and hands its result back through a pipe.
// A child that dies, exits without a result or outlives `watchdog` (it is
// then killed) gives a failed result naming what happened, with the last
// lines the child wrote to its error stream.
TestResult run_in_child(const std::function<TestResult()>& test, const TestResult& blank,
                        std::chrono::seconds watchdog);

}  // namespace studyhost::validate
