#include "RunProgram.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "tests/support/TempFolder.h"

namespace zeph::test {

ProgramRun runProgram(const std::string& program, const std::vector<std::string>& args,
                      const std::map<std::string, std::string>& environment,
                      const std::string& workingFolder, const Output& output) {
    TempFolder scratch;
    const std::string outPath = (scratch / "out").string(), errPath = (scratch / "err").string();
    pid_t child = fork();
    if (child == 0) {
        const std::string& to = output.kind == Output::File ? output.file : outPath;
        int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (out < 0 || err < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0) _exit(127);
        if (output.kind == Output::Closed) ::close(1);
        if (!workingFolder.empty() && chdir(workingFolder.c_str()) != 0) _exit(127);
        for (const auto& [name, value] : environment) setenv(name.c_str(), value.c_str(), 1);
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ProgramRun run;
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (output.kind == Output::Collected) run.out = readFile(outPath);
    run.err = readFile(errPath);
    return run;
}

}  // namespace zeph::test
