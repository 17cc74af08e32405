// Runs one validation test in a child process of its own, so that a crash, an
// abort or a hang of the study is that test's failure and the run goes on.
#pragma once

#include <chrono>
#include <functional>

#include "studyhost/validate/validate.h"

namespace studyhost::validate {

// A child that dies, exits without a result or outlives `watchdog` gives a
// failed result naming what happened, with the last lines the child wrote to
// its error stream.
TestResult run_in_child(const std::function<TestResult()>& test, const TestResult& blank,
                        std::chrono::seconds watchdog);

}  // namespace studyhost::validate
