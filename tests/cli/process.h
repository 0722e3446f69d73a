// A child process of the command-line tests (morvex-search unless told), with its output captured.
#ifndef TESTS_CLI_PROCESS_H
#define TESTS_CLI_PROCESS_H

#include <sys/resource.h>
#include <sys/types.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace clitest {

struct Result {
    int status = -1; // exit status, or 128 + signal number
    std::string out;
    std::string err;
    long maxRssKb = 0; // peak resident memory of the child
};

/// How the child starts.
struct Options {
    std::vector<std::string> chdir; // folders to change into, one after the other
    int stderrFd = -1;              // stderr on this descriptor (a terminal) instead of a pipe
    rlim_t addressSpace = 0;        // RLIMIT_AS of the child; 0: the test's own
    rlim_t fileSize = 0;            // RLIMIT_FSIZE of the child, SIGXFSZ ignored; 0: the test's own
    /// Changes to the test's environment: "NAME=value" sets, "NAME" removes. The C locale comes
    /// first, so that the child reads its texts byte for byte unless a test says otherwise.
    std::vector<std::string> env;
    std::string program; // the program to run; empty: morvex-search
    std::string stdinFile; // the file the child reads as standard input; empty: the test's own
};

/// One process (morvex-search unless Options::program says) with its stdout and stderr on pipes (or stderr on a terminal),
/// SIGINT, SIGTERM, SIGHUP and SIGPIPE at their default actions.
class Process {
public:
    Process(const std::vector<std::string>& args, const Options& options);
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
/// Runs morvex-search to its end, started as options say.
Result runSearch(const std::vector<std::string>& args, const Options& options);

/// Runs morvex-search to its end with its standard error on a new pseudo-terminal of `columns`
/// columns (the terminal's default when 0); *terminal receives what was drawn there. `env` as in
/// Options. Nothing when no pseudo-terminal can be had here. program as in Options.
std::optional<Result> runOnTerminal(const std::vector<std::string>& args, const std::vector<std::string>& env,
                                    std::string* terminal, unsigned short columns = 0,
                                    const std::string& program = std::string());

/// Waits until condition holds, looking every millisecond. False only when it still does not
/// hold after two minutes, which no run of these tests comes near: a guard against a hang.
bool waitUntil(const std::function<bool()>& condition);

/// Whether the process is inside the system call of that number (from /proc/PID/syscall),
/// waiting there: a signal sent now finds it in the call. False when it cannot be told.
bool inSystemCall(pid_t pid, long number);
/// Whether /proc/PID/syscall can be read here, so that inSystemCall can tell.
bool systemCallsVisible();

/// Whether the process has a handler for the signal (from /proc/PID/status).
bool catchesSignal(pid_t pid, int signal);

} // namespace clitest

#endif // TESTS_CLI_PROCESS_H
