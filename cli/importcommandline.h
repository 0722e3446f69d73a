// The command line of morvex-import: the record files and folders, the output folder, flags.
#ifndef CLI_IMPORTCOMMANDLINE_H
#define CLI_IMPORTCOMMANDLINE_H

#include <string>
#include <vector>

#include "cli/commandline.h"

namespace cli {

/// Everything the command line of morvex-import asks for.
struct ImportCommandLine {
    std::vector<std::string> inputs; // record files and folders, as given
    std::string outputDir = ".";     // as given; "." when not given
    bool replace = false;
    bool quiet = false;
    bool json = false;
};

/// Reads argv. Options may stand anywhere before "--"; --output-dir takes the next argument
/// as it is and may be given once; --replace, --quiet and --json may be repeated; "-" is a
/// file name like any other.
///   --replace a.xml --output-dir out b.xml --replace => inputs {a.xml, b.xml}, outputDir "out"
///   --output-dir --json a.xml                        => outputDir "--json", inputs {a.xml}
///   a.xml -- --json                                  => inputs {a.xml, --json}
///   --output-dir a --output-dir b x.xml              => UsageError
///   --replce x.xml                                   => UsageError, "--replce: unknown option; did you mean --replace?"
///   (no INPUT)                                       => UsageError
ParseStatus parseImportCommandLine(int argc, char** argv, ImportCommandLine* cmd, std::string* err);

} // namespace cli

#endif // CLI_IMPORTCOMMANDLINE_H
