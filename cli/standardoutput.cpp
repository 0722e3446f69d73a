// The export "-": written to standard output, for a pipeline.
#include "cli/standardoutput.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace cli {

namespace {

class StandardOutputFile : public search::PendingFile {
public:
    // Bytes already on their way cannot be taken back: a run that fails or stops leaves what
    // went out, and its error and exit status say that it is not whole.
    bool commit(std::string* err) override { return close(err); }
    void discard() override {}

protected:
    bool writeBytes(const char* data, std::size_t size, std::string* err) override {
        while (size > 0) {
            const ssize_t n = ::write(STDOUT_FILENO, data, size);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                *err = std::string("standard output: ") + std::strerror(n < 0 ? errno : EIO);
                return false;
            }
            data += n;
            size -= static_cast<std::size_t>(n);
        }
        return true;
    }
    bool closeFile(std::string*) override { return true; }
    bool syncFile(std::string*) override { return true; }
};

} // namespace

std::unique_ptr<search::PendingFile> StandardOutputFiles::createPending(const std::string& path, std::string* err) {
    if (path == kName) return std::make_unique<StandardOutputFile>();
    return search::DiskFileSystem::createPending(path, err);
}

std::unique_ptr<search::ScratchFile> StandardOutputFiles::createScratch(const std::string& path, std::string* err) {
    if (path != kName) return search::DiskFileSystem::createScratch(path, err);
    const char* tmp = std::getenv("TMPDIR");
    return search::DiskFileSystem::createScratch(std::string(tmp && *tmp ? tmp : "/tmp") + "/-", err);
}

} // namespace cli
