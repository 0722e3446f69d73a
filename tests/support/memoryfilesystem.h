// An in-memory file system for tests and fuzzing.
#ifndef TESTS_SUPPORT_MEMORYFILESYSTEM_H
#define TESTS_SUPPORT_MEMORYFILESYSTEM_H

#include <map>
#include <set>
#include <string>

#include "search/filesystem.h"

namespace testutil {

/// Files held as byte strings by path, with failures that can be switched on per path.
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
    bool removeFile(const std::string& path, std::string* err) override;
    bool renameFile(const std::string& from, const std::string& to, std::string* err) override;
    std::optional<search::FileId> fileId(const std::string& path) override;
    std::string location(const std::string& path, bool followLinks) override;
    std::unique_ptr<search::FolderLock> lockFolder(const std::string& folder, search::LockStatus* status,
                                           std::string* err) override;

private:
    const std::string& target(const std::string& path) const;
    std::map<std::string, std::uint64_t> m_inodes;
    int m_pending = 0;
};

} // namespace testutil

#endif // TESTS_SUPPORT_MEMORYFILESYSTEM_H
