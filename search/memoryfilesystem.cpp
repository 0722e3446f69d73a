// An in-memory file system for tests and fuzzing.
#include "search/memoryfilesystem.h"

#include <algorithm>
#include <cstring>

namespace search {

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
    MemoryOutputFile(std::string& target, bool failing, std::string path)
        : m_target(target), m_failing(failing), m_path(std::move(path)) {}
    ~MemoryOutputFile() override {
        std::string ignored;
        close(&ignored);
    }

protected:
    bool writeBytes(const char* data, std::size_t size, std::string* err) override {
        if (m_failing) {
            *err = m_path + ": No space left on device";
            return false;
        }
        m_target.append(data, size);
        return true;
    }
    bool closeFile(std::string*) override { return true; }

private:
    std::string& m_target;
    bool m_failing;
    std::string m_path;
};

} // namespace

std::unique_ptr<InputFile> MemoryFileSystem::openRead(const std::string& path, std::string* err) {
    auto it = files.find(path);
    if (it == files.end()) {
        if (err) *err = path + ": No such file or directory";
        return nullptr;
    }
    return std::make_unique<MemoryInputFile>(it->second, readChunk);
}

std::unique_ptr<OutputFile> MemoryFileSystem::openWrite(const std::string& path, std::string* err) {
    (void)err;
    std::string& target = files[path];
    target.clear();
    return std::make_unique<MemoryOutputFile>(target, failingWrites.count(path) > 0, path);
}

bool MemoryFileSystem::removeFile(const std::string& path, std::string*) {
    files.erase(path);
    return true;
}

bool MemoryFileSystem::renameFile(const std::string& from, const std::string& to, std::string* err) {
    auto it = files.find(from);
    if (it == files.end()) {
        if (err) *err = from + ": No such file or directory";
        return false;
    }
    std::string data = std::move(it->second);
    files.erase(it);
    files[to] = std::move(data);
    return true;
}

} // namespace search
