// The command line of morvex-search: criteria options, filters and the form files.
#ifndef CLI_COMMANDLINE_H
#define CLI_COMMANDLINE_H

#include <string>
#include <vector>

#include "search/criteria.h"

namespace cli {

/// Everything the command line asks for.
struct CommandLine {
    search::CriteriaSet criteria;   // texts 0 to 9 and the data-held filter
    std::vector<std::string> files; // absolute, lexically normal, in the order given
    std::string outputDir;          // absolute and normal; empty: the folder of the first file
    std::string probe;              // text of the line probe
    bool all = false;               // Yes to the no-criteria question
    bool quiet = false;             // no progress bar
};

/// What main does after reading the command line.
enum class ParseStatus {
    Run,        // cmd is filled
    Exit,       // --help or --version was printed on stdout
    UsageError, // err holds the reason
};

/// Reads argv. An option given twice joins its texts with " OR "; empty texts are left out.
///   --country FRANCE --country "" --country spain => criteria.texts[1] == "FRANCE OR spain"
///   --with-ulma --without-ulma                   => UsageError
///   (no FORMFILE)                                 => UsageError
ParseStatus parseCommandLine(int argc, char** argv, CommandLine* cmd, std::string* err);

/// std::filesystem::absolute(path).lexically_normal() without a trailing separator;
/// "/" stays "/". False with err filled when the current folder cannot be read.
bool normalPath(const std::string& path, std::string* out, std::string* err);

} // namespace cli

#endif // CLI_COMMANDLINE_H
