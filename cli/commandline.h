// The command line of morvex-search: criteria options, filters and the form files.
#ifndef CLI_COMMANDLINE_H
#define CLI_COMMANDLINE_H

#include <string>
#include <vector>

#include "cli/terminaltext.h"
#include "search/criteria.h"

namespace cli {

/// Everything the command line asks for.
struct CommandLine {
    search::CriteriaSet criteria;   // texts 0 to 9 and the data-held filter
    std::vector<std::string> files; // as resolvePath gives them, in the order given
    std::string outputDir;          // as resolvePath gives it; empty: the folder of the first file
    std::string probe;              // text of the line probe
    std::vector<std::string> exports; // --export files, in the order given
    std::string filesFrom;            // --files-from: a file of form file paths, "-" for stdin
    std::string format;               // --format: the format of the export "-" (standard output)
    bool all = false;               // Yes to the no-criteria question
    bool quiet = false;             // no progress bar
    bool json = false;              // the outcome as a JSON object on stdout
};

/// What main does after reading the command line.
enum class ParseStatus {
    Run,        // cmd is filled
    Exit,       // --help or --version was printed on stdout
    UsageError, // err holds the reason
};

/// Reads argv. An option given twice joins its texts with " OR "; empty texts are left out.
/// The texts of the criteria and the probe come from the terminal's character set (terminal).
///   --country FRANCE --country "" --country spain => criteria.texts[1] == "FRANCE OR spain"
///   --with-ulma --without-ulma                   => UsageError
///   (no FORMFILE)                                 => UsageError
///   --contry x                                    => UsageError, "--contry: unknown option; did you mean --country?"
ParseStatus parseCommandLine(int argc, char** argv, CommandLine* cmd, std::string* err,
                             const TerminalText& terminal = TerminalText(false));

/// What a path names: a file (its last part a name) or a folder.
enum class PathKind { File, Folder };

/// The absolute form of a path that leads where the kernel leads the path as given: ".." after
/// a symbolic link goes up from the link's target, so the folder part is resolved by the
/// kernel. The absolute path is written as typed (made absolute, "." and ".." folded, no
/// trailing "/") when that names the same folder, else with the folder's real path. A path
/// whose absolute form cannot be opened (a current folder deeper than PATH_MAX) is kept as given.
/// A File path whose last part is a folder name ("KER1994.INF/", "..") is refused with err.
///   "sub/../KER1995.INF" in /data, sub a folder     => "/data/KER1995.INF"
///   "link/../KER1994.INF", link -> /inventory/1994   => "/inventory/KER1994.INF"
bool resolvePath(const std::string& path, PathKind kind, std::string* out, std::string* err);

} // namespace cli

#endif // CLI_COMMANDLINE_H
