// A morvex-search child process for the command-line tests.
#include "tests/cli/process.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <stdexcept>

extern char** environ;

namespace clitest {

Process::Process(const std::vector<std::string>& args, const std::string& cwd, int stderrFd) {
    int outPipe[2], errPipe[2];
    if (pipe2(outPipe, O_CLOEXEC) != 0 || pipe2(errPipe, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, outPipe[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, stderrFd >= 0 ? stderrFd : errPipe[1], STDERR_FILENO);
    if (!cwd.empty()) posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF);

    std::vector<std::string> all{MORVEX_SEARCH_BIN};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    int rc = posix_spawn(&m_pid, MORVEX_SEARCH_BIN, &actions, &attr, argv.data(), environ);
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
    waitpid(m_pid, &status, 0);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return r;
}

Result runSearch(const std::vector<std::string>& args, const std::string& cwd) { return Process(args, cwd).finish(); }

} // namespace clitest
