// File access of a search run, abstract so that tests and fuzzers can work in memory.
#ifndef SEARCH_FILESYSTEM_H
#define SEARCH_FILESYSTEM_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>


namespace search {

/// A file opened for sequential reading.
class InputFile {
public:
    virtual ~InputFile() = default;
    /// Reads up to size bytes; returns the count (0 at end of file) or -1 with err filled.
    virtual long long read(char* buffer, std::size_t size, std::string* err) = 0;
};

/// A file opened for writing with truncation. Writes are buffered; the first failure is
/// kept (later writes do nothing) and reported by failed(), error() and close().
class OutputFile {
public:
    virtual ~OutputFile() = default;
    OutputFile() : m_buffer(new char[kBufferSize]) {}

    /// Appends bytes to the file.
    void put(std::string_view text) {
        if (text.size() > kBufferSize - m_used) {
            putLarge(text);
            return;
        }
        // An empty view may have no data pointer, and memcpy from a null pointer is undefined.
        if (text.empty()) return;
        std::memcpy(m_buffer.get() + m_used, text.data(), text.size());
        m_used += text.size();
    }
    void put(char c) {
        if (m_used == kBufferSize) flushBuffer();
        m_buffer[m_used++] = c;
    }
    /// Appends text and the line end CR LF.
    void line(std::string_view text) {
        put(text);
        put(std::string_view("\r\n", 2));
    }
    /// Writes what is buffered and closes; false with err filled when any write or the close failed.
    bool close(std::string* err);
    /// Like close, but first waits until the bytes are on the device, for a file that is to
    /// replace an earlier one.
    bool closeDurably(std::string* err);
    /// Writes what is buffered and waits until it is on the device, leaving the file open;
    /// false with err filled when any write or the wait failed.
    bool syncWritten(std::string* err);
    bool failed() const { return !m_error.empty(); }
    /// The first failure: the file's path and the system's reason.
    const std::string& error() const { return m_error; }
    /// The bytes put so far, buffered ones included: where the next byte will stand.
    std::uint64_t size() const { return m_flushed + m_used; }
    /// The bytes handed to the system, up to the first failure: what another handle of the
    /// file reads.
    std::uint64_t written() const { return m_written; }

protected:
    static constexpr std::size_t kBufferSize = 1 << 18;

    /// Writes all bytes; false with err filled on failure.
    virtual bool writeBytes(const char* data, std::size_t size, std::string* err) = 0;
    /// Releases the file; false with err filled on failure.
    virtual bool closeFile(std::string* err) = 0;
    /// Waits until the bytes written are on the device; false with err filled on failure.
    virtual bool syncFile(std::string* err) = 0;

private:
    void flushBuffer();
    void putLarge(std::string_view text);
    std::unique_ptr<char[]> m_buffer;
    std::size_t m_used = 0;
    std::uint64_t m_flushed = 0; // bytes handed to writeBytes
    std::uint64_t m_written = 0; // of those, before the first failure
    std::string m_error;
    bool m_closed = false;
};

/// A new file that takes its name only when committed: until then an earlier file of that
/// name stays whole and nobody sees half a file. Where the system allows, the file has no name
/// at all before the commit, so that a process ending in any way leaves nothing behind; where
/// it does not, the file has a hidden name that the next run removes. A pending file neither
/// committed nor discarded is discarded when destroyed.
class PendingFile : public OutputFile {
public:
    /// Waits until the bytes are on the device, then gives the file its name, replacing any
    /// earlier file of that name in one step. False with err filled (naming the file's path)
    /// on failure; the file is then discarded.
    virtual bool commit(std::string* err) = 0;
    /// Drops the file: the earlier file of its name, if any, stays as it was.
    virtual void discard() = 0;
};

/// A file read at any place: one that the program is still writing through another handle,
/// or one to come back to long after.
class ReadAtFile {
public:
    virtual ~ReadAtFile() = default;
    /// Reads size bytes at offset; false with err filled when they cannot all be read.
    virtual bool readAt(std::uint64_t offset, char* buffer, std::size_t size, std::string* err) = 0;
    /// Notes the file as it stands now (its size and time of change), for unchanged().
    virtual void settle() = 0;
    /// Whether the file stands as settle() found it: false once it has been written or cut.
    virtual bool unchanged() = 0;
};

/// A temporary file without a name, for data too large to keep in memory. Nothing but its
/// owner can change it.
class ScratchFile : public ReadAtFile {
public:
    /// Appends bytes; false with err filled on failure.
    virtual bool append(std::string_view bytes, std::string* err) = 0;
    void settle() override {}
    bool unchanged() override { return true; }
};

/// Which file a name leads to: two names of one file, through hard or symbolic links
/// included, have the same identity.
struct FileId {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    bool operator==(const FileId&) const = default;
};

/// An advisory lock on a folder, given up when destroyed (or when its process ends).
class FolderLock {
public:
    virtual ~FolderLock() = default;
};

/// Outcome of taking a folder's lock.
enum class LockStatus { Held, Busy, Failed };

/// The file operations of a search run.
class FileSystem {
public:
    virtual ~FileSystem() = default;
    /// Opens a file for reading; nullptr with err filled on failure.
    virtual std::unique_ptr<InputFile> openRead(const std::string& path, std::string* err) = 0;
    /// Creates or truncates a file for writing; nullptr with err filled on failure.
    virtual std::unique_ptr<OutputFile> openWrite(const std::string& path, std::string* err) = 0;
    /// Creates the pending file that is to become path, in path's folder. It gets the mode and
    /// group of the file it will replace, or the mode of a new file. nullptr with err filled
    /// (naming path) on failure. On disk its writing starts as it grows.
    virtual std::unique_ptr<PendingFile> createPending(const std::string& path, std::string* err) = 0;
    /// Creates a scratch file in the folder of path; nullptr with err filled on failure.
    virtual std::unique_ptr<ScratchFile> createScratch(const std::string& path, std::string* err) = 0;
    /// Opens a regular file to read at any place; nullptr with err filled on failure. It stays
    /// the file it was, whatever later becomes of its name.
    virtual std::unique_ptr<ReadAtFile> openReadAt(const std::string& path, std::string* err) = 0;
    /// Deletes a file; a missing file is not an error. False with err filled on failure.
    virtual bool removeFile(const std::string& path, std::string* err) = 0;
    /// Gives a file a new name, replacing any file of that name in one step, so that the name
    /// always leads to the old file or to the new one. False with err filled on failure.
    virtual bool renameFile(const std::string& from, const std::string& to, std::string* err) = 0;
    /// The identity of the file a path leads to; none when there is no such file.
    virtual std::optional<FileId> fileId(const std::string& path) = 0;
    /// The absolute name of the folder entry that path reaches: through symbolic links, dangling
    /// ones included, when followLinks (where opening path for writing writes), else the entry
    /// of path itself in its resolved folder (what a rename to path replaces). Empty when it
    /// cannot be told.
    virtual std::string location(const std::string& path, bool followLinks) = 0;
    /// Takes the advisory lock of a folder without waiting. Returns the lock with status Held;
    /// nullptr with status Busy when another run holds it, or Failed with err filled when the
    /// folder cannot be used.
    virtual std::unique_ptr<FolderLock> lockFolder(const std::string& folder, LockStatus* status,
                                                   std::string* err) = 0;
};

/// The real file system, through POSIX calls.
class DiskFileSystem : public FileSystem {
public:
    /// interrupted is asked when a signal cuts short an open that waits (a FIFO without its
    /// other end): true gives the open up, which then fails; without it the open is retried.
    explicit DiskFileSystem(std::function<bool()> interrupted = {});

    std::unique_ptr<InputFile> openRead(const std::string& path, std::string* err) override;
    std::unique_ptr<OutputFile> openWrite(const std::string& path, std::string* err) override;
    std::unique_ptr<PendingFile> createPending(const std::string& path, std::string* err) override;
    std::unique_ptr<ScratchFile> createScratch(const std::string& path, std::string* err) override;
    std::unique_ptr<ReadAtFile> openReadAt(const std::string& path, std::string* err) override;
    bool removeFile(const std::string& path, std::string* err) override;
    bool renameFile(const std::string& from, const std::string& to, std::string* err) override;
    std::optional<FileId> fileId(const std::string& path) override;
    std::string location(const std::string& path, bool followLinks) override;
    std::unique_ptr<FolderLock> lockFolder(const std::string& folder, LockStatus* status,
                                           std::string* err) override;

    /// Called before and after each file is opened for writing, synchronised, closed, renamed
    /// or removed: emptying or writing back a large file may keep the file system busy for
    /// tens of milliseconds, which a window spends on its events. None by default.
    void setFileHook(std::function<void()> hook) { m_fileHook = std::move(hook); }
    /// Whether pending and scratch files may be made without a name (O_TMPFILE); tests turn
    /// it off to try the hidden names that other file systems get.
    void setUnnamedFiles(bool allowed) { m_unnamedFiles = allowed; }
    /// The hidden name of a pending file that is to become name: "." + name + ".morvex-" and
    /// six letters or digits, name cut so that the whole fits in 255 bytes.
    static std::string pendingPattern(const std::string& name);

private:
    int openFile(const std::string& path, int flags, std::string* err);

    std::function<bool()> m_interrupted;
    std::function<void()> m_fileHook;
    bool m_unnamedFiles = true;
    std::int64_t m_startedNs; // when this file system was made: older hidden files are stale
};

} // namespace search

#endif // SEARCH_FILESYSTEM_H
