// Buffered output files and the real file system.
#include "search/filesystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <random>
#include <utility>


namespace search {

void OutputFile::flushBuffer() {
    if (m_used == 0) return;
    if (m_error.empty()) {
        std::string err;
        if (writeBytes(m_buffer.get(), m_used, &err))
            m_written += m_used;
        else
            m_error = err;
    }
    m_flushed += m_used;
    m_used = 0;
}

void OutputFile::putLarge(std::string_view text) {
    flushBuffer();
    if (text.size() <= kBufferSize) {
        std::memcpy(m_buffer.get(), text.data(), text.size());
        m_used = text.size();
        return;
    }
    std::string err;
    if (m_error.empty()) {
        if (writeBytes(text.data(), text.size(), &err))
            m_written += text.size();
        else
            m_error = err;
    }
    m_flushed += text.size();
}

bool OutputFile::syncWritten(std::string* err) {
    if (!m_closed) {
        flushBuffer();
        std::string syncErr;
        if (m_error.empty() && !syncFile(&syncErr)) m_error = syncErr;
    }
    if (!m_error.empty()) {
        if (err) *err = m_error;
        return false;
    }
    return true;
}

bool OutputFile::closeDurably(std::string* err) {
    if (!m_closed) {
        flushBuffer();
        std::string syncErr;
        if (m_error.empty() && !syncFile(&syncErr)) m_error = syncErr;
    }
    return close(err);
}

bool OutputFile::close(std::string* err) {
    if (!m_closed) {
        m_closed = true;
        flushBuffer();
        std::string closeErr;
        if (!closeFile(&closeErr) && m_error.empty()) m_error = closeErr;
    }
    if (!m_error.empty()) {
        if (err) *err = m_error;
        return false;
    }
    return true;
}

namespace {

std::string systemError(const std::string& path) { return path + ": " + std::strerror(errno); }

class DiskInputFile : public InputFile {
public:
    DiskInputFile(int fd, std::string path) : m_fd(fd), m_path(std::move(path)) {}
    ~DiskInputFile() override { ::close(m_fd); }
    long long read(char* buffer, std::size_t size, std::string* err) override {
        for (;;) {
            ssize_t n = ::read(m_fd, buffer, size);
            if (n >= 0) return n;
            if (errno == EINTR) continue;
            if (err) *err = systemError(m_path);
            return -1;
        }
    }

private:
    int m_fd;
    std::string m_path;
};

// The writing end of a descriptor, shared by the output files on disk.
class Descriptor {
public:
    /// writeBehind: a file that will be synchronised at its end starts the disk writing every
    /// few MB as it goes, so that the wait at its end is short.
    Descriptor(int fd, std::string path, bool writeBehind) : m_fd(fd), m_path(std::move(path)), m_writeBehind(writeBehind) {}
    int fd() const { return m_fd; }
    const std::string& path() const { return m_path; }

    bool write(const char* data, std::size_t size, std::string* err) {
        while (size > 0) {
            ssize_t n = ::write(m_fd, data, size);
            if (n < 0) {
                if (errno == EINTR) continue;
                *err = systemError(m_path);
                return false;
            }
            data += n;
            size -= static_cast<std::size_t>(n);
            m_written += static_cast<std::uint64_t>(n);
        }
        if (m_writeBehind && m_written - m_writtenBack >= kWriteBehindBytes) startWriteBack();
        return true;
    }
    bool sync(std::string* err) {
        // Pipes and character devices cannot be synchronised and need not be.
        if (m_fd < 0 || ::fdatasync(m_fd) == 0 || errno == EINVAL) return true;
        *err = systemError(m_path);
        return false;
    }
    bool close(std::string* err) {
        if (m_fd < 0) return true;
        int rc = ::close(m_fd);
        m_fd = -1;
        if (rc != 0) {
            *err = systemError(m_path);
            return false;
        }
        return true;
    }

private:
    static constexpr std::uint64_t kWriteBehindBytes = std::uint64_t{32} << 20;

    // Asks the kernel to start writing what was written since the last call; it does not wait
    // for the disk. Where that cannot be done, the final fdatasync does all the work.
    void startWriteBack() {
#ifdef __linux__
        ::sync_file_range(m_fd, static_cast<off64_t>(m_writtenBack), static_cast<off64_t>(m_written - m_writtenBack),
                          SYNC_FILE_RANGE_WRITE);
#endif
        m_writtenBack = m_written;
    }

    int m_fd;
    std::string m_path;
    bool m_writeBehind;
    std::uint64_t m_written = 0;
    std::uint64_t m_writtenBack = 0;
};

// Calls the file hook, if any, when made and when destroyed: around one step on a file.
class AroundFileStep {
public:
    explicit AroundFileStep(const std::function<void()>& hook) : m_hook(hook) {
        if (m_hook) m_hook();
    }
    ~AroundFileStep() {
        if (m_hook) m_hook();
    }
    AroundFileStep(const AroundFileStep&) = delete;
    AroundFileStep& operator=(const AroundFileStep&) = delete;

private:
    const std::function<void()>& m_hook;
};

class DiskOutputFile : public OutputFile {
public:
    DiskOutputFile(int fd, std::string path, const std::function<void()>& hook)
        : m_file(fd, std::move(path), false), m_hook(hook) {}
    ~DiskOutputFile() override {
        std::string ignored;
        close(&ignored);
    }

protected:
    bool writeBytes(const char* data, std::size_t size, std::string* err) override { return m_file.write(data, size, err); }
    bool syncFile(std::string* err) override {
        const AroundFileStep step(m_hook);
        return m_file.sync(err);
    }
    bool closeFile(std::string* err) override {
        if (m_file.fd() < 0) return true;
        const AroundFileStep step(m_hook);
        return m_file.close(err);
    }

private:
    Descriptor m_file;
    const std::function<void()>& m_hook; // the file system's, which outlives its files
};

// "." + the name + this + six letters or digits: the hidden name of a pending file.
constexpr std::string_view kPendingMark = ".morvex-";
constexpr std::size_t kRandomLetters = 6;

bool letterOrDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// The pattern with its six X replaced by random letters and digits.
std::string randomName(const std::string& pattern) {
    static constexpr char kLetters[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    thread_local std::mt19937_64 random{std::random_device{}()};
    std::string name = pattern;
    for (std::size_t i = name.size() - kRandomLetters; i < name.size(); ++i)
        name[i] = kLetters[random() % (sizeof kLetters - 1)];
    return name;
}

std::int64_t nanoseconds(const timespec& t) {
    return static_cast<std::int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

std::int64_t nowNs() {
    timespec now{};
    // The coarse clock is the one file times are taken from: a file made later is never older.
    ::clock_gettime(CLOCK_REALTIME_COARSE, &now);
    return nanoseconds(now);
}

// A path's folder ("." for a bare name) and its last name.
std::pair<std::string, std::string> splitPath(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return {".", path};
    return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

// Where a link's target is: the target itself when absolute, else beside the link.
std::string linkTarget(const std::string& link, const std::string& target) {
    return target[0] == '/' ? target : splitPath(link).first + "/" + target;
}

// A new file in the folder dir for a file to be called name, locked so that no other run takes
// it for a stale one: without a name where the file system allows, else under a hidden name of
// the pending pattern, which goes to *hidden. -1 with errno set on failure.
int createInFolder(int dir, const std::string& name, bool unnamed, int access, std::string* hidden) {
    int fd = -1;
    if (unnamed) {
        fd = ::openat(dir, ".", O_TMPFILE | access | O_CLOEXEC, 0666);
        // File systems without unnamed files say so in one of these ways.
        if (fd < 0 && errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return -1;
    }
    const std::string pattern = DiskFileSystem::pendingPattern(name);
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        std::string candidate = randomName(pattern);
        fd = ::openat(dir, candidate.c_str(), O_CREAT | O_EXCL | access | O_CLOEXEC, 0666);
        if (fd >= 0) *hidden = std::move(candidate);
        else if (errno != EEXIST) return -1;
    }
    if (fd >= 0) ::flock(fd, LOCK_EX | LOCK_NB);
    return fd;
}

// Removes the hidden files that runs ended before their commit left for name in dir: regular
// files of this user, of the pending pattern, last written before this run and held by no run.
void removeStalePending(int dir, const std::string& name, std::int64_t startedNs) {
    const std::string pattern = DiskFileSystem::pendingPattern(name);
    const std::string_view prefix = std::string_view(pattern).substr(0, pattern.size() - kRandomLetters);
    const int listing = ::openat(dir, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listing < 0) return; // a folder that cannot be listed keeps what it holds
    DIR* folder = ::fdopendir(listing);
    if (!folder) {
        ::close(listing);
        return;
    }
    while (const dirent* entry = ::readdir(folder)) {
        const std::string_view candidate(entry->d_name);
        if (candidate.size() != pattern.size() || candidate.substr(0, prefix.size()) != prefix) continue;
        const std::string_view letters = candidate.substr(prefix.size());
        if (!std::all_of(letters.begin(), letters.end(), letterOrDigit)) continue;
        const int fd = ::openat(dir, entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) continue;
        struct stat st;
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid() &&
            nanoseconds(st.st_mtim) < startedNs && ::flock(fd, LOCK_EX | LOCK_NB) == 0)
            ::unlinkat(dir, entry->d_name, 0);
        ::close(fd);
    }
    ::closedir(folder);
}

// A pending file on disk. Its folder is held by a descriptor: a folder renamed during the run
// still gets the file, and a discarded one leaves nothing there.
class DiskPendingFile : public PendingFile {
public:
    DiskPendingFile(int fd, int dir, const std::string& path, std::string name, std::string hidden)
        : m_file(fd, path, true), m_dir(dir), m_name(std::move(name)), m_hidden(std::move(hidden)) {}
    ~DiskPendingFile() override {
        discard();
        ::close(m_dir);
    }

    bool commit(std::string* err) override {
        std::string e;
        if (m_done || !syncWritten(&e) || !giveName(&e)) {
            if (m_done) e = m_file.path() + ": already committed or discarded";
            discard();
            if (err) *err = e;
            return false;
        }
        m_hidden.clear();
        m_done = true;
        if (!close(&e)) {
            if (err) *err = e;
            return false;
        }
        return true;
    }
    void discard() override {
        if (m_done) return;
        m_done = true;
        std::string ignored;
        close(&ignored);
        if (!m_hidden.empty()) ::unlinkat(m_dir, m_hidden.c_str(), 0);
        m_hidden.clear();
    }

protected:
    bool writeBytes(const char* data, std::size_t size, std::string* err) override { return m_file.write(data, size, err); }
    bool syncFile(std::string* err) override { return m_file.sync(err); }
    bool closeFile(std::string* err) override { return m_file.close(err); }

private:
    // A file without a name is linked under a hidden one first, as a link cannot replace a
    // name; the rename then replaces the earlier file in one step.
    bool giveName(std::string* err) {
        const std::string pattern = DiskFileSystem::pendingPattern(m_name);
        for (int attempt = 0; m_hidden.empty() && attempt < 100; ++attempt) {
            std::string candidate = randomName(pattern);
            char self[64];
            std::snprintf(self, sizeof self, "/proc/self/fd/%d", m_file.fd());
            if (::linkat(AT_FDCWD, self, m_dir, candidate.c_str(), AT_SYMLINK_FOLLOW) == 0 ||
                (errno == ENOENT && ::linkat(m_file.fd(), "", m_dir, candidate.c_str(), AT_EMPTY_PATH) == 0)) {
                m_hidden = std::move(candidate);
            } else if (errno != EEXIST) {
                *err = systemError(m_file.path());
                return false;
            }
        }
        if (m_hidden.empty() || ::renameat(m_dir, m_hidden.c_str(), m_dir, m_name.c_str()) != 0) {
            *err = systemError(m_file.path());
            return false;
        }
        return true;
    }

    Descriptor m_file;
    int m_dir;
    std::string m_name;
    std::string m_hidden; // the file's hidden name; empty while it has none
    bool m_done = false;  // committed or discarded
};

// Reads size bytes at offset from fd, whatever number of reads it takes; false with errno set
// (EIO when the file ends first).
bool preadAll(int fd, std::uint64_t offset, char* buffer, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::pread(fd, buffer, size, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = EIO;
            return false;
        }
        buffer += n;
        size -= static_cast<std::size_t>(n);
        offset += static_cast<std::uint64_t>(n);
    }
    return true;
}

class DiskScratchFile : public ScratchFile {
public:
    DiskScratchFile(int fd, std::string folder) : m_fd(fd), m_folder(std::move(folder)) {}
    ~DiskScratchFile() override { ::close(m_fd); }
    bool append(std::string_view bytes, std::string* err) override {
        while (!bytes.empty()) {
            const ssize_t n = ::pwrite(m_fd, bytes.data(), bytes.size(), static_cast<off_t>(m_size));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return failed(n < 0 ? errno : ENOSPC, err);
            bytes.remove_prefix(static_cast<std::size_t>(n));
            m_size += static_cast<std::uint64_t>(n);
        }
        return true;
    }
    bool readAt(std::uint64_t offset, char* buffer, std::size_t size, std::string* err) override {
        return preadAll(m_fd, offset, buffer, size) || failed(errno, err);
    }

private:
    bool failed(int error, std::string* err) const {
        if (err) *err = "the temporary file in " + m_folder + ": " + std::strerror(error);
        return false;
    }
    int m_fd;
    std::string m_folder;
    std::uint64_t m_size = 0;
};

class DiskReadAtFile : public ReadAtFile {
public:
    DiskReadAtFile(int fd, std::string path) : m_fd(fd), m_path(std::move(path)) {}
    ~DiskReadAtFile() override { ::close(m_fd); }
    bool readAt(std::uint64_t offset, char* buffer, std::size_t size, std::string* err) override {
        if (preadAll(m_fd, offset, buffer, size)) return true;
        if (err) *err = errno == EIO ? m_path + ": the file ends early" : systemError(m_path);
        return false;
    }
    void settle() override { m_settled = state(); }
    bool unchanged() override { return m_settled && state() == m_settled; }

private:
    struct State {
        std::int64_t size;
        std::int64_t changedNs;
        bool operator==(const State&) const = default;
    };
    std::optional<State> state() const {
        struct stat st;
        if (::fstat(m_fd, &st) != 0) return std::nullopt;
        return State{st.st_size, std::int64_t{st.st_mtim.tv_sec} * 1000000000 + st.st_mtim.tv_nsec};
    }
    int m_fd;
    std::string m_path;
    std::optional<State> m_settled;
};

// A lock on a folder through flock(2) on the folder itself: nothing is left in the folder,
// and the kernel gives the lock up when the process ends, however it ends.
class DiskFolderLock : public FolderLock {
public:
    explicit DiskFolderLock(int fd) : m_fd(fd) {}
    ~DiskFolderLock() override {
        if (m_fd >= 0) ::close(m_fd);
    }

private:
    int m_fd;
};

} // namespace

DiskFileSystem::DiskFileSystem(std::function<bool()> interrupted)
    : m_interrupted(std::move(interrupted)), m_startedNs(nowNs()) {}

std::string DiskFileSystem::pendingPattern(const std::string& name) {
    constexpr std::size_t kMaxName = 255;
    const std::size_t keep = std::min(name.size(), kMaxName - 1 - kPendingMark.size() - kRandomLetters);
    // Appended piece by piece: GCC 12 warns falsely about "." + name (GCC bug 105329).
    std::string pattern(1, '.');
    pattern.append(name, 0, keep).append(kPendingMark).append(kRandomLetters, 'X');
    return pattern;
}

int DiskFileSystem::openFile(const std::string& path, int flags, std::string* err) {
    for (;;) {
        const int fd = ::open(path.c_str(), flags | O_CLOEXEC, 0666);
        if (fd >= 0) return fd;
        if (errno == EINTR && !(m_interrupted && m_interrupted())) continue;
        if (err) *err = systemError(path);
        return -1;
    }
}

std::unique_ptr<InputFile> DiskFileSystem::openRead(const std::string& path, std::string* err) {
    int fd = openFile(path, O_RDONLY, err);
    if (fd < 0) return nullptr;
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        errno = EISDIR;
        if (err) *err = systemError(path);
        return nullptr;
    }
    return std::make_unique<DiskInputFile>(fd, path);
}

std::unique_ptr<OutputFile> DiskFileSystem::openWrite(const std::string& path, std::string* err) {
    const AroundFileStep step(m_fileHook); // truncating a large file takes a while
    int fd = openFile(path, O_WRONLY | O_CREAT | O_TRUNC, err);
    if (fd < 0) return nullptr;
    return std::make_unique<DiskOutputFile>(fd, path, m_fileHook);
}

std::unique_ptr<PendingFile> DiskFileSystem::createPending(const std::string& path, std::string* err) {
    const auto [folder, name] = splitPath(path);
    const int dir = ::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) {
        if (err) *err = systemError(path);
        return nullptr;
    }
    struct stat earlier;
    const bool replaces = ::fstatat(dir, name.c_str(), &earlier, 0) == 0;
    if (replaces && S_ISDIR(earlier.st_mode)) {
        // Found now rather than when the rename fails at the end of the run.
        ::close(dir);
        errno = EISDIR;
        if (err) *err = systemError(path);
        return nullptr;
    }
    removeStalePending(dir, name, m_startedNs);
    std::string hidden;
    const int fd = createInFolder(dir, name, m_unnamedFiles, O_WRONLY, &hidden);
    if (fd < 0) {
        const int e = errno;
        ::close(dir);
        errno = e;
        if (err) *err = systemError(path);
        return nullptr;
    }
    if (replaces) {
        // The new file keeps who may read it; a group it cannot have is left as it comes.
        if (::fchown(fd, static_cast<uid_t>(-1), earlier.st_gid) != 0) {
            // Not a member of that group: the file keeps the folder's.
        }
        ::fchmod(fd, earlier.st_mode & 0777);
    }
    return std::make_unique<DiskPendingFile>(fd, dir, path, name, std::move(hidden));
}

std::unique_ptr<ScratchFile> DiskFileSystem::createScratch(const std::string& path, std::string* err) {
    const auto [folder, name] = splitPath(path);
    const int dir = ::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    int fd = -1;
    if (dir >= 0) {
        std::string hidden;
        fd = createInFolder(dir, name, m_unnamedFiles, O_RDWR, &hidden);
        if (fd >= 0 && !hidden.empty()) ::unlinkat(dir, hidden.c_str(), 0); // open, it lives on unnamed
        const int e = errno;
        ::close(dir);
        errno = e;
    }
    if (fd < 0) {
        if (err) *err = "cannot make a temporary file in " + folder + ": " + std::strerror(errno);
        return nullptr;
    }
    return std::make_unique<DiskScratchFile>(fd, folder);
}

std::unique_ptr<ReadAtFile> DiskFileSystem::openReadAt(const std::string& path, std::string* err) {
    const int fd = openFile(path, O_RDONLY, err);
    if (fd < 0) return nullptr;
    struct stat st;
    std::string why;
    if (::fstat(fd, &st) != 0)
        why = systemError(path);
    else if (!S_ISREG(st.st_mode))
        why = path + ": not a regular file";
    if (!why.empty()) {
        ::close(fd);
        if (err) *err = why;
        return nullptr;
    }
    return std::make_unique<DiskReadAtFile>(fd, path);
}

bool DiskFileSystem::removeFile(const std::string& path, std::string* err) {
    const AroundFileStep step(m_fileHook);
    if (::unlink(path.c_str()) == 0 || errno == ENOENT) return true;
    if (err) *err = systemError(path);
    return false;
}

bool DiskFileSystem::renameFile(const std::string& from, const std::string& to, std::string* err) {
    const AroundFileStep step(m_fileHook);
    if (std::rename(from.c_str(), to.c_str()) == 0) return true;
    if (err) *err = systemError(to);
    return false;
}

std::optional<FileId> DiskFileSystem::fileId(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    return FileId{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

std::string DiskFileSystem::location(const std::string& path, bool followLinks) {
    std::string at = path;
    // Each link's target, read relative to the link's folder; 40 hops, as the kernel allows.
    for (int hop = 0; followLinks && hop < 40; ++hop) {
        struct stat st;
        if (::lstat(at.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) break;
        std::string target(static_cast<std::size_t>(PATH_MAX), '\0');
        const ssize_t n = ::readlink(at.c_str(), target.data(), target.size());
        if (n <= 0) return {};
        target.resize(static_cast<std::size_t>(n));
        at = linkTarget(at, target);
    }
    const auto [folder, name] = splitPath(at);
    char resolved[PATH_MAX];
    if (!::realpath(folder.c_str(), resolved)) return {};
    const std::string base(resolved);
    if (name == "." || name == "..") {
        // A name that is a folder's own entry: no export or report can be that.
        return {};
    }
    return (base == "/" ? base : base + "/") + name;
}

std::unique_ptr<FolderLock> DiskFileSystem::lockFolder(const std::string& folder, LockStatus* status,
                                                       std::string* err) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR) {
            *status = LockStatus::Failed;
            if (err) *err = systemError(folder);
            return nullptr;
        }
        // A folder that can be written but not listed cannot be locked; the run goes on unlocked.
        *status = LockStatus::Held;
        return std::make_unique<DiskFolderLock>(-1);
    }
    int rc;
    do {
        rc = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0 && errno == EWOULDBLOCK) {
        ::close(fd);
        *status = LockStatus::Busy;
        return nullptr;
    }
    // Any other failure means that the file system keeps no such locks (some network file
    // systems): the run goes on unlocked rather than not at all.
    *status = LockStatus::Held;
    return std::make_unique<DiskFolderLock>(fd);
}

} // namespace search
