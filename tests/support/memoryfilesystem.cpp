// An in-memory file system for tests and fuzzing.
#include "tests/support/memoryfilesystem.h"

#include <algorithm>
#include <cstring>
#include <optional>

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
    MemoryOutputFile(std::string& target, std::mutex& lock, bool failingWrites, bool failingClose, std::string path)
        : m_target(target), m_lock(lock), m_failingWrites(failingWrites), m_failingClose(failingClose),
          m_path(std::move(path)) {}
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
        const std::lock_guard<std::mutex> lock(m_lock);
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
    std::mutex& m_lock;
    bool m_failingWrites;
    bool m_failingClose;
    std::string m_path;
};

// Copies size bytes of bytes at offset; false when they are not all there.
bool readBytes(const std::string& bytes, std::uint64_t offset, char* buffer, std::size_t size) {
    if (offset > bytes.size() || size > bytes.size() - offset) return false;
    if (size > 0) std::memcpy(buffer, bytes.data() + offset, size);
    return true;
}

bool fail(std::string* err, const std::string& why) {
    if (err) *err = why;
    return false;
}

class MemoryScratchFile : public ScratchFile {
public:
    explicit MemoryScratchFile(bool failing) : m_failing(failing) {}
    bool append(std::string_view bytes, std::string* err) override {
        if (m_failing) {
            *err = "the temporary file: No space left on device";
            return false;
        }
        const std::lock_guard<std::mutex> lock(m_lock);
        m_bytes.append(bytes);
        return true;
    }
    // Read on another thread than the one appending, as a table's worker does.
    bool readAt(std::uint64_t offset, char* buffer, std::size_t size, std::string* err) override {
        const std::lock_guard<std::mutex> lock(m_lock);
        return readBytes(m_bytes, offset, buffer, size) || fail(err, "the temporary file: it ends early");
    }

private:
    bool m_failing;
    std::mutex m_lock;
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

// Reads the bytes of a file through renames; once it is dropped, what it last held.
class MemoryReadAtFile : public search::ReadAtFile {
public:
    MemoryReadAtFile(MemoryFileSystem& fs, std::string& content, std::string path)
        : m_fs(fs), m_content(&content), m_path(std::move(path)) {
        const std::lock_guard<std::mutex> lock(m_fs.contentLock());
        m_fs.m_readers->open.insert(this);
    }
    ~MemoryReadAtFile() override {
        const std::lock_guard<std::mutex> lock(m_fs.contentLock());
        m_fs.m_readers->open.erase(this);
    }
    bool readAt(std::uint64_t offset, char* buffer, std::size_t size, std::string* err) override {
        const std::lock_guard<std::mutex> lock(m_fs.contentLock());
        return readBytes(*m_content, offset, buffer, size) || fail(err, m_path + ": the file ends early");
    }
    void settle() override {
        const std::lock_guard<std::mutex> lock(m_fs.contentLock());
        m_settled = *m_content;
    }
    bool unchanged() override {
        const std::lock_guard<std::mutex> lock(m_fs.contentLock());
        return m_settled && *m_settled == *m_content;
    }
    // With the lock held: the file is dropped.
    void orphan(const std::string* content) {
        if (content != m_content) return;
        m_orphan = *content;
        m_content = &m_orphan;
    }

private:
    MemoryFileSystem& m_fs;
    std::string* m_content;
    std::string m_orphan;
    std::string m_path;
    std::optional<std::string> m_settled;
};

void MemoryFileSystem::erase(std::map<std::string, std::string>::iterator file) {
    const std::lock_guard<std::mutex> lock(contentLock());
    for (MemoryReadAtFile* reader : m_readers->open)
        reader->orphan(&file->second);
    files.erase(file);
}

// Writes into files[pending]; the commit renames it to the path, as the disk's rename does.
class MemoryPendingFile : public PendingFile {
public:
    MemoryPendingFile(MemoryFileSystem& fs, std::string pending, std::string path)
        : m_fs(fs), m_pending(std::move(pending)), m_path(std::move(path)),
          m_out(fs.files[m_pending], fs.contentLock(), fs.failingWrites.count(m_path) > 0,
                fs.failingCloses.count(m_path) > 0, m_path) {}
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
        if (auto it = m_fs.files.find(m_pending); it != m_fs.files.end()) m_fs.erase(it);
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
    {
        const std::lock_guard<std::mutex> lock(contentLock());
        bytes.clear();
    }
    return std::make_unique<MemoryOutputFile>(bytes, contentLock(), failingWrites.count(path) > 0,
                                              failingCloses.count(path) > 0, path);
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

std::unique_ptr<search::ReadAtFile> MemoryFileSystem::openReadAt(const std::string& path, std::string* err) {
    auto it = files.find(target(path));
    if (it == files.end() || failingReadAts.count(path) > 0) {
        if (err) *err = it == files.end() ? path + ": No such file or directory" : denied(path);
        return nullptr;
    }
    return std::make_unique<MemoryReadAtFile>(*this, it->second, path);
}

bool MemoryFileSystem::removeFile(const std::string& path, std::string*) {
    if (auto it = files.find(target(path)); it != files.end()) erase(it);
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
    if (target(from) == to) return true;
    // The file's bytes stay where they are, so that its readers follow it.
    auto node = files.extract(it);
    if (auto replaced = files.find(to); replaced != files.end()) erase(replaced);
    aliases.erase(to); // the new file takes the name itself, as rename(2) replaces a link
    node.key() = to;
    files.insert(std::move(node));
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
