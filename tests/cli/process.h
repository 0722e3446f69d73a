// A morvex-search child process for the command-line tests, with its output captured.
#ifndef TESTS_CLI_PROCESS_H
#define TESTS_CLI_PROCESS_H

#include <sys/types.h>

#include <string>
#include <vector>

namespace clitest {

struct Result {
    int status = -1; // exit status, or 128 + signal number
    std::string out;
    std::string err;
};

/// One morvex-search process with its stdout and stderr on pipes (or stderr on a terminal),
/// SIGINT and SIGPIPE at their default actions, standing in cwd when it is given.
class Process {
public:
    Process(const std::vector<std::string>& args, const std::string& cwd, int stderrFd = -1);
    pid_t pid() const { return m_pid; }
    /// Reads both pipes to their end (and the terminal, when given) and waits for the exit.
    Result finish(int terminalFd = -1, std::string* terminal = nullptr);

private:
    pid_t m_pid = -1;
    int m_out = -1;
    int m_err = -1;
};

/// Runs morvex-search to its end.
Result runSearch(const std::vector<std::string>& args, const std::string& cwd = std::string());

} // namespace clitest

#endif // TESTS_CLI_PROCESS_H
