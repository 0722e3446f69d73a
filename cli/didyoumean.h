// The message of a misspelt option, naming the nearest known one.
#ifndef CLI_DIDYOUMEAN_H
#define CLI_DIDYOUMEAN_H

#include <cstddef>
#include <string>

namespace CLI {
class App;
}

namespace cli {

/// The edit distance of a and b: insertions, deletions and substitutions. ("--contry", "--country") => 1.
std::size_t editDistance(const std::string& a, const std::string& b);

/// "--contry: unknown option; did you mean --country?", naming the long option of app nearest
/// to name when one is near enough to be a slip of the keyboard; else
/// "--xyz: unknown option; PROGRAM --help lists the options".
std::string unknownOption(const CLI::App& app, const std::string& name, const std::string& program);

} // namespace cli

#endif // CLI_DIDYOUMEAN_H
