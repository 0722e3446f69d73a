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
using search::PendingFile;
using search::ScratchFile;

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

class MemoryScratchFile : public ScratchFile {
public:
    explicit MemoryScratchFile(bool failing) : m_failing(failing) {}
    bool append(std::string_view bytes, std::string* err) override {
        if (m_failing) {
            *err = "the temporary file: No space left on device";
            return false;
        }
        m_bytes.append(bytes);
        return true;
    }
    bool readAt(std::uint64_t offset, char* buffer, std::size_t size, std::string*) override {
        std::memcpy(buffer, m_bytes.data() + offset, size);
        return true;
    }

private:
    bool m_failing;
    std::string m_bytes;
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

// Writes into files[pending]; the commit renames it to the path, as the disk's rename does.
class MemoryPendingFile : public PendingFile {
public:
    MemoryPendingFile(MemoryFileSystem& fs, std::string pending, std::string path)
        : m_fs(fs), m_pending(std::move(pending)), m_path(std::move(path)),
          m_out(fs.files[m_pending], fs.failingWrites.count(m_path) > 0, fs.failingCloses.count(m_path) > 0, m_path) {}
    ~MemoryPendingFile() override { discard(); }
    bool commit(std::string* err) override {
        std::string e;
        if (m_done || !syncWritten(&e) || !m_out.close(&e) || !m_fs.renameFile(m_pending, m_path, &e)) {
            discard();
            if (err) *err = e;
            return false;
        }
        m_done = true;
        return true;
    }
    void discard() override {
        if (m_done) return;
        m_done = true;
        std::string ignored;
        m_out.close(&ignored);
        m_fs.files.erase(m_pending);
    }

protected:
    bool writeBytes(const char* data, std::size_t size, std::string*) override {
        m_out.put(std::string_view(data, size));
        return true;
    }
    bool syncFile(std::string*) override { return true; }
    bool closeFile(std::string*) override { return true; }

private:
    MemoryFileSystem& m_fs;
    std::string m_pending;
    std::string m_path;
    MemoryOutputFile m_out;
    bool m_done = false;
};

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

std::unique_ptr<PendingFile> MemoryFileSystem::createPending(const std::string& path, std::string* err) {
    if (failingOpens.count(path) > 0) {
        if (err) *err = denied(path);
        return nullptr;
    }
    // Held under a name of its own until committed, so that tests see what is pending.
    const std::string pending = path + ".pending" + std::to_string(++m_pending);
    files[pending].clear();
    return std::make_unique<MemoryPendingFile>(*this, pending, path);
}

std::unique_ptr<ScratchFile> MemoryFileSystem::createScratch(const std::string& path, std::string*) {
    return std::make_unique<MemoryScratchFile>(failingScratch.count(path) > 0);
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

std::string MemoryFileSystem::location(const std::string& path, bool followLinks) {
    return followLinks ? target(path) : path;
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
