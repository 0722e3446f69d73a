// The export "-": written to standard output, for a pipeline.
#ifndef CLI_STANDARDOUTPUT_H
#define CLI_STANDARDOUTPUT_H

#include <memory>
#include <string>

#include "search/filesystem.h"

namespace cli {

/// The disk, where the pending file "-" is standard output: its bytes go out as they are
/// written, its commit is the last of them, and its scratch file is made in $TMPDIR (or /tmp).
class StandardOutputFiles : public search::DiskFileSystem {
public:
    using search::DiskFileSystem::DiskFileSystem;
    static constexpr const char* kName = "-";

    std::unique_ptr<search::PendingFile> createPending(const std::string& path, std::string* err) override;
    std::unique_ptr<search::ScratchFile> createScratch(const std::string& path, std::string* err) override;
};

} // namespace cli

#endif // CLI_STANDARDOUTPUT_H
