// Runs a program of the build for a test and collects what it wrote and how it ended.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace zeph::test {

struct ProgramRun {
    int exitCode = -1;  // -1 when it did not end by exit
    std::string out, err;
};

// Where a program's standard output goes: collected, a file, or closed.
struct Output {
    enum Kind { Collected, File, Closed } kind = Collected;
    std::string file;
};

// Runs program with args in the folder workingFolder ("" for the test's own),
// with the environment variables given set in addition to the test's.
ProgramRun runProgram(const std::string& program, const std::vector<std::string>& args,
                      const std::map<std::string, std::string>& environment = {},
                      const std::string& workingFolder = "", const Output& output = {});

}  // namespace zeph::test
