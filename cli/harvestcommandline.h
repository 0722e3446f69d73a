// The command line of morvex-harvest: sources, their protocol and settings, the folder, flags.
#ifndef CLI_HARVESTCOMMANDLINE_H
#define CLI_HARVESTCOMMANDLINE_H

#include <optional>
#include <string>
#include <vector>

#include "cli/commandline.h"

namespace cli {

/// Everything the command line of morvex-harvest asks for.
struct HarvestCommandLine {
    std::vector<std::string> sources; // catalogue addresses or list files ("-": standard input)
    std::string outputDir = ".";
    std::string protocol; // "csw", "oai", "list" or empty
    std::string set;
    std::string metadataPrefix;
    std::optional<std::string> from; // YYYY-MM-DD or YYYY-MM-DDThh:mm:ssZ
    std::optional<int> pageSize;
    bool full = false;
    bool formsOnly = false;
    bool replace = false;
    long timeout = 60;
    int retries = 5;
    std::string caFile;
    bool quiet = false;
    bool json = false;
};

/// Reads argv. Options may stand anywhere before "--"; "-" is a source like any other.
///   --protocol oai https://x.org/oai -o inv   => sources {https://x.org/oai}, protocol "oai"
///   --protocol gopher x                        => UsageError
///   --from 2026-13-01                          => UsageError
///   --forms-only https://x.org/csw             => UsageError: no network with --forms-only
///   --page-size 0                              => UsageError
ParseStatus parseHarvestCommandLine(int argc, char** argv, HarvestCommandLine* cmd, std::string* err);

} // namespace cli

#endif // CLI_HARVESTCOMMANDLINE_H
