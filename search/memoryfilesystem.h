// An in-memory file system for tests and fuzzing.
#ifndef SEARCH_MEMORYFILESYSTEM_H
#define SEARCH_MEMORYFILESYSTEM_H

#include <map>
#include <set>
#include <string>

#include "search/filesystem.h"

namespace search {

/// Files held as byte strings by path. Paths listed in failingWrites cannot be written.
class MemoryFileSystem : public FileSystem {
public:
    std::map<std::string, std::string> files;
    /// Paths whose writes fail with "No space left on device".
    std::set<std::string> failingWrites;
    /// Size of the read blocks handed out, to exercise block boundaries.
    std::size_t readChunk = 1 << 16;

    std::unique_ptr<InputFile> openRead(const std::string& path, std::string* err) override;
    std::unique_ptr<OutputFile> openWrite(const std::string& path, std::string* err) override;
    bool removeFile(const std::string& path, std::string* err) override;
    bool renameFile(const std::string& from, const std::string& to, std::string* err) override;
};

} // namespace search

#endif // SEARCH_MEMORYFILESYSTEM_H
