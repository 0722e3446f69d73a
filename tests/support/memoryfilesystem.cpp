// An in-memory file system for tests and fuzzing.
#include "tests/support/memoryfilesystem.h"

#include <algorithm>
#include <cstring>

namespace testutil {

using search::FileId;
using search::FolderLock;
using search::InputFile;
using search::LockStatus;
using search::OutputFile;

namespace {

class MemoryInputFile : public InputFile {
public:
    MemoryInputFile(std::string data, std::size_t chunk) : m_data(std::move(data)), m_chunk(chunk) {}
    long long read(char* buffer, std::size_t size, std::string*) override {
        std::size_t n = std::min({size, m_chunk, m_data.size() - m_pos});
        std::memcpy(buffer, m_data.data() + m_pos, n);
        m_pos += n;
        return static_cast<long long>(n);
    }

private:
    std::string m_data;
    std::size_t m_chunk;
    std::size_t m_pos = 0;
};

class MemoryOutputFile : public OutputFile {
public:
    MemoryOutputFile(std::string& target, bool failingWrites, bool failingClose, std::string path)
        : m_target(target), m_failingWrites(failingWrites), m_failingClose(failingClose), m_path(std::move(path)) {}
    ~MemoryOutputFile() override {
        std::string ignored;
        close(&ignored);
    }

protected:
    bool writeBytes(const char* data, std::size_t size, std::string* err) override {
        if (m_failingWrites) {
            *err = m_path + ": No space left on device";
            return false;
        }
        m_target.append(data, size);
        return true;
    }
    bool syncFile(std::string*) override { return true; }
    bool closeFile(std::string* err) override {
        if (!m_failingClose) return true;
        *err = m_path + ": Input/output error";
        return false;
    }

private:
    std::string& m_target;
    bool m_failingWrites;
    bool m_failingClose;
    std::string m_path;
};

class MemoryFolderLock : public FolderLock {
public:
    MemoryFolderLock(std::set<std::string>& locked, std::string folder) : m_locked(locked), m_folder(std::move(folder)) {
        m_locked.insert(m_folder);
    }
    ~MemoryFolderLock() override { m_locked.erase(m_folder); }

private:
    std::set<std::string>& m_locked;
    std::string m_folder;
};

std::string denied(const std::string& path) { return path + ": Permission denied"; }

} // namespace

const std::string& MemoryFileSystem::target(const std::string& path) const {
    auto alias = aliases.find(path);
    return alias == aliases.end() ? path : alias->second;
}

std::unique_ptr<InputFile> MemoryFileSystem::openRead(const std::string& path, std::string* err) {
    auto it = files.find(target(path));
    if (it == files.end()) {
        if (err) *err = path + ": No such file or directory";
        return nullptr;
    }
    return std::make_unique<MemoryInputFile>(it->second, readChunk);
}

std::unique_ptr<OutputFile> MemoryFileSystem::openWrite(const std::string& path, std::string* err) {
    if (failingOpens.count(path) > 0) {
        if (err) *err = denied(path);
        return nullptr;
    }
    std::string& bytes = files[target(path)];
    bytes.clear();
    return std::make_unique<MemoryOutputFile>(bytes, failingWrites.count(path) > 0, failingCloses.count(path) > 0,
                                              path);
}

std::unique_ptr<OutputFile> MemoryFileSystem::createBeside(const std::string& path, std::string* temporary,
                                                           std::string* err) {
    const std::string name = path + ".tmp" + std::to_string(++m_temporaries);
    if (failingOpens.count(path) > 0) {
        if (err) *err = denied(path);
        return nullptr;
    }
    *temporary = name;
    return openWrite(name, err);
}

bool MemoryFileSystem::removeFile(const std::string& path, std::string*) {
    files.erase(target(path));
    return true;
}

bool MemoryFileSystem::renameFile(const std::string& from, const std::string& to, std::string* err) {
    if (failingRenames.count(to) > 0) {
        if (err) *err = denied(to);
        return false;
    }
    auto it = files.find(target(from));
    if (it == files.end()) {
        if (err) *err = from + ": No such file or directory";
        return false;
    }
    std::string data = std::move(it->second);
    files.erase(it);
    aliases.erase(to); // the new file takes the name itself, as rename(2) replaces a link
    files[to] = std::move(data);
    return true;
}

std::optional<FileId> MemoryFileSystem::fileId(const std::string& path) {
    const std::string& name = target(path);
    if (files.count(name) == 0) return std::nullopt;
    auto [it, added] = m_inodes.emplace(name, m_inodes.size() + 1);
    return FileId{0, it->second};
}

std::unique_ptr<FolderLock> MemoryFileSystem::lockFolder(const std::string& folder, LockStatus* status,
                                                         std::string* err) {
    if (missingFolders.count(folder) > 0) {
        *status = LockStatus::Failed;
        if (err) *err = folder + ": No such file or directory";
        return nullptr;
    }
    if (lockedFolders.count(folder) > 0) {
        *status = LockStatus::Busy;
        return nullptr;
    }
    *status = LockStatus::Held;
    return std::make_unique<MemoryFolderLock>(lockedFolders, folder);
}

} // namespace testutil
