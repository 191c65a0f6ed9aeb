#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace zvr::test {

struct ChildRun {
    int code = -1;  // exit code; 128 + signal when it died of one; -1 when it was stopped
    std::string out;
    std::string err;
};

// Runs a program in the current directory with standard input from /dev/null. environment
// changes the child's environment: "NAME=VALUE" sets, a plain "NAME" removes. A child still
// running after limit is killed.
ChildRun RunProgram(const std::string& program, const std::vector<std::string>& args,
                    const std::vector<std::string>& environment = {},
                    std::chrono::seconds limit = std::chrono::seconds(120));

}  // namespace zvr::test
