// A child process of the command-line tests.
#include "tests/cli/process.h"

#include <fcntl.h>
#include <malloc.h>
#include <poll.h>
#include <pty.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <vector>

extern char** environ;

namespace clitest {

namespace {

std::string procFile(pid_t pid, const char* name) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/" + name);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

} // namespace

Process::Process(const std::vector<std::string>& args, const std::string& cwd, int stderrFd)
    : Process(
          args,
          Options{
              cwd.empty() ? std::vector<std::string>{} : std::vector<std::string>{cwd}, stderrFd, 0, 0, {}, {}, {}}) {}

Process::Process(const std::vector<std::string>& args, const Options& options) {
    int outPipe[2], errPipe[2];
    if (pipe2(outPipe, O_CLOEXEC) != 0 || pipe2(errPipe, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, outPipe[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, options.stderrFd >= 0 ? options.stderrFd : errPipe[1], STDERR_FILENO);
    if (!options.stdinFile.empty())
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, options.stdinFile.c_str(), O_RDONLY, 0);
    for (const std::string& folder : options.chdir)
        posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t defaults;
    sigemptyset(&defaults);
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE})
        sigaddset(&defaults, signal);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

    const std::string program = options.program.empty() ? std::string(MORVEX_SEARCH_BIN) : options.program;
    std::vector<std::string> all{program};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    // The child inherits the limit; the test's own is put back at once.
    rlimit own{};
    getrlimit(RLIMIT_AS, &own);
    if (options.addressSpace != 0) {
        rlimit limited{options.addressSpace, own.rlim_max};
        setrlimit(RLIMIT_AS, &limited);
    }
    // A write past the file size limit then fails with EFBIG instead of ending the child.
    rlimit ownFileSize{};
    getrlimit(RLIMIT_FSIZE, &ownFileSize);
    void (*ownXfsz)(int) = SIG_DFL;
    if (options.fileSize != 0) {
        rlimit limited{options.fileSize, ownFileSize.rlim_max};
        setrlimit(RLIMIT_FSIZE, &limited);
        ownXfsz = std::signal(SIGXFSZ, SIG_IGN);
    }
    std::vector<std::string> environment;
    for (char** e = environ; *e; ++e) environment.emplace_back(*e);
    std::vector<std::string> changes{"LC_ALL=C"};
    changes.insert(changes.end(), options.env.begin(), options.env.end());
    for (const std::string& change : changes) {
        const std::string name = change.substr(0, change.find('='));
        std::erase_if(environment, [&](const std::string& e) { return e.compare(0, name.size() + 1, name + "=") == 0; });
        if (change.size() > name.size()) environment.push_back(change);
    }
    std::vector<char*> envp;
    for (std::string& e : environment) envp.push_back(e.data());
    envp.push_back(nullptr);
    // The child shares this process's memory until its exec, which counts this process's peak
    // in the child's peak resident size; the peak is brought down to what is resident now, and
    // freed memory is handed back, so that the child's figure is its own whatever ran before.
    malloc_trim(0);
    if (const int refs = ::open("/proc/self/clear_refs", O_WRONLY | O_CLOEXEC); refs >= 0) {
        [[maybe_unused]] const ssize_t written = ::write(refs, "5", 1);
        ::close(refs);
    }
    int rc = posix_spawn(&m_pid, program.c_str(), &actions, &attr, argv.data(), envp.data());
    if (options.addressSpace != 0) setrlimit(RLIMIT_AS, &own);
    if (options.fileSize != 0) {
        setrlimit(RLIMIT_FSIZE, &ownFileSize);
        std::signal(SIGXFSZ, ownXfsz);
    }
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    close(outPipe[1]);
    close(errPipe[1]);
    m_out = outPipe[0];
    m_err = errPipe[0];
    if (rc != 0) throw std::runtime_error(std::string("posix_spawn: ") + std::strerror(rc));
}

Result Process::finish(int terminalFd, std::string* terminal) {
    Result r;
    std::vector<std::pair<int, std::string*>> sources{{m_out, &r.out}, {m_err, &r.err}};
    if (terminalFd >= 0) sources.push_back({terminalFd, terminal});
    while (!sources.empty()) {
        std::vector<pollfd> fds;
        for (auto& s : sources)
            fds.push_back({s.first, POLLIN, 0});
        if (poll(fds.data(), fds.size(), -1) < 0 && errno != EINTR) break;
        for (std::size_t i = fds.size(); i-- > 0;) {
            if (fds[i].revents == 0) continue;
            char buffer[65536];
            ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                sources[i].second->append(buffer, static_cast<std::size_t>(n));
            } else if (n == 0 || errno != EINTR) { // a terminal gives EIO once the child is gone
                sources.erase(sources.begin() + static_cast<std::ptrdiff_t>(i));
            }
        }
    }
    close(m_out);
    close(m_err);
    int status = 0;
    rusage usage{};
    while (wait4(m_pid, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    r.maxRssKb = usage.ru_maxrss;
    return r;
}

Result runSearch(const std::vector<std::string>& args, const std::string& cwd) { return Process(args, cwd).finish(); }

std::optional<Result> runOnTerminal(const std::vector<std::string>& args, const std::vector<std::string>& env,
                                    std::string* terminal, unsigned short columns, const std::string& program) {
    winsize size{};
    size.ws_row = 24;
    size.ws_col = columns;
    int master = -1, slave = -1;
    if (openpty(&master, &slave, nullptr, nullptr, columns > 0 ? &size : nullptr) != 0) return std::nullopt;
    fcntl(master, F_SETFD, FD_CLOEXEC);
    Options options;
    options.stderrFd = slave;
    options.env = env;
    options.program = program;
    Process p(args, options);
    close(slave);
    terminal->clear();
    Result r = p.finish(master, terminal);
    close(master);
    return r;
}

Result runSearch(const std::vector<std::string>& args, const Options& options) {
    return Process(args, options).finish();
}

bool waitUntil(const std::function<bool()>& condition) {
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::minutes(2);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > giveUp) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

bool systemCallsVisible() {
    return !procFile(getpid(), "syscall").empty();
}

bool inSystemCall(pid_t pid, long number) {
    std::istringstream in(procFile(pid, "syscall"));
    long current = -1;
    return (in >> current) && current == number;
}

bool catchesSignal(pid_t pid, int signal) {
    const std::string status = procFile(pid, "status");
    const std::size_t at = status.find("SigCgt:");
    if (at == std::string::npos) return false;
    const unsigned long long caught = std::stoull(status.substr(at + 7), nullptr, 16);
    return (caught & (1ull << (signal - 1))) != 0;
}

} // namespace clitest
