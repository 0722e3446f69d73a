// Buffered output files and the real file system.
#include "search/filesystem.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>


namespace search {

void OutputFile::flushBuffer() {
    if (m_used == 0) return;
    if (m_error.empty()) {
        std::string err;
        if (!writeBytes(m_buffer.get(), m_used, &err)) m_error = err;
    }
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
    if (m_error.empty() && !writeBytes(text.data(), text.size(), &err)) m_error = err;
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

// The process's file mode mask, read without changing it (umask(2) can only set it, which
// would race with other threads creating files).
mode_t currentUmask() {
    FILE* status = std::fopen("/proc/self/status", "re");
    unsigned mask = 022;
    if (status) {
        char line[256];
        while (std::fgets(line, sizeof line, status))
            if (std::sscanf(line, "Umask: %o", &mask) == 1) break;
        std::fclose(status);
    }
    return static_cast<mode_t>(mask);
}

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

class DiskOutputFile : public OutputFile {
public:
    /// writeBehind: a file that will be closed durably starts the disk writing every few MB
    /// as it goes, so that the wait at its end is short.
    DiskOutputFile(int fd, std::string path, bool writeBehind = false)
        : m_fd(fd), m_path(std::move(path)), m_writeBehind(writeBehind) {}
    ~DiskOutputFile() override {
        std::string ignored;
        close(&ignored);
    }

protected:
    bool writeBytes(const char* data, std::size_t size, std::string* err) override {
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
    bool syncFile(std::string* err) override {
        // Pipes and character devices cannot be synchronised and need not be.
        if (m_fd < 0 || ::fdatasync(m_fd) == 0 || errno == EINVAL) return true;
        *err = systemError(m_path);
        return false;
    }
    bool closeFile(std::string* err) override {
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

DiskFileSystem::DiskFileSystem(std::function<bool()> interrupted) : m_interrupted(std::move(interrupted)) {}

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
    int fd = openFile(path, O_WRONLY | O_CREAT | O_TRUNC, err);
    if (fd < 0) return nullptr;
    return std::make_unique<DiskOutputFile>(fd, path);
}

std::unique_ptr<OutputFile> DiskFileSystem::createBeside(const std::string& path, std::string* temporary,
                                                         std::string* err) {
    // A hidden name in the same folder: a rename to path stays in one file system.
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    struct stat st;
    if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        // Found now rather than when the rename fails at the end of the run.
        errno = EISDIR;
        if (err) *err = systemError(path);
        return nullptr;
    }
    std::string pattern = folder + "." + name + ".XXXXXX";
    const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0) {
        if (err) *err = systemError(path);
        return nullptr;
    }
    // mkostemp makes the file readable by its owner only; give it the mode of a new file.
    ::fchmod(fd, 0666 & ~currentUmask());
    *temporary = pattern;
    return std::make_unique<DiskOutputFile>(fd, pattern, true);
}

bool DiskFileSystem::removeFile(const std::string& path, std::string* err) {
    if (::unlink(path.c_str()) == 0 || errno == ENOENT) return true;
    if (err) *err = systemError(path);
    return false;
}

bool DiskFileSystem::renameFile(const std::string& from, const std::string& to, std::string* err) {
    if (std::rename(from.c_str(), to.c_str()) == 0) return true;
    if (err) *err = systemError(to);
    return false;
}

std::optional<FileId> DiskFileSystem::fileId(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    return FileId{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
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
