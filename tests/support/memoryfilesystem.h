// An in-memory file system for tests and fuzzing.
#ifndef TESTS_SUPPORT_MEMORYFILESYSTEM_H
#define TESTS_SUPPORT_MEMORYFILESYSTEM_H

#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>

#include "search/filesystem.h"

namespace testutil {

class MemoryReadAtFile;

/// Files held as byte strings by path, with failures that can be switched on per path. A file
/// opened with openReadAt may be read on another thread while this one writes it; everything
/// else is used from one thread at a time.
class MemoryFileSystem : public search::FileSystem {
public:
    std::map<std::string, std::string> files;
    /// Paths that cannot be created: "Permission denied".
    std::set<std::string> failingOpens;
    /// Paths whose writes fail with "No space left on device".
    std::set<std::string> failingWrites;
    /// Paths whose closing fails with "Input/output error" (as a full network disk reports it).
    std::set<std::string> failingCloses;
    /// Paths whose scratch files cannot be written: "No space left on device".
    std::set<std::string> failingScratch;
    /// Paths that cannot be opened to read at any place: "Permission denied".
    std::set<std::string> failingReadAts;
    /// Paths that cannot be the target of a rename: "Permission denied".
    std::set<std::string> failingRenames;
    /// Folders whose lock another run holds; lockFolder adds a folder while its lock lives.
    std::set<std::string> lockedFolders;
    /// Folders that do not exist, so that they cannot be locked.
    std::set<std::string> missingFolders;
    /// Other names of a file (a link): opening, examining or replacing the alias reaches the target.
    std::map<std::string, std::string> aliases;
    /// Size of the read blocks handed out, to exercise block boundaries.
    std::size_t readChunk = 1 << 16;

    std::unique_ptr<search::InputFile> openRead(const std::string& path, std::string* err) override;
    std::unique_ptr<search::OutputFile> openWrite(const std::string& path, std::string* err) override;
    std::unique_ptr<search::PendingFile> createPending(const std::string& path, std::string* err) override;
    std::unique_ptr<search::ScratchFile> createScratch(const std::string& path, std::string* err) override;
    std::unique_ptr<search::ReadAtFile> openReadAt(const std::string& path, std::string* err) override;
    bool removeFile(const std::string& path, std::string* err) override;
    bool renameFile(const std::string& from, const std::string& to, std::string* err) override;
    std::optional<search::FileId> fileId(const std::string& path) override;
    std::string location(const std::string& path, bool followLinks) override;
    std::unique_ptr<search::FolderLock> lockFolder(const std::string& folder, search::LockStatus* status,
                                           std::string* err) override;

    /// Held while a file's bytes change or go, for the readers of openReadAt.
    std::mutex& contentLock() { return m_readers->lock; }
    /// Drops a file; its readers keep what it held, as an open file on disk does.
    void erase(std::map<std::string, std::string>::iterator file);

private:
    friend class MemoryReadAtFile;
    const std::string& target(const std::string& path) const;
    std::map<std::string, std::uint64_t> m_inodes;
    int m_pending = 0;
    struct Readers {
        std::mutex lock;
        std::set<MemoryReadAtFile*> open;
    };
    std::unique_ptr<Readers> m_readers = std::make_unique<Readers>();
};

} // namespace testutil

#endif // TESTS_SUPPORT_MEMORYFILESYSTEM_H
