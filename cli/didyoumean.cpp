// The message of a misspelt option, naming the nearest known one.
#include "cli/didyoumean.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <vector>

namespace cli {

std::size_t editDistance(const std::string& a, const std::string& b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

std::string unknownOption(const CLI::App& app, const std::string& name, const std::string& program) {
    std::string nearest;
    std::size_t best = std::max<std::size_t>(2, name.size() / 3) + 1;
    for (const CLI::Option* opt : app.get_options()) {
        for (const std::string& longName : opt->get_lnames()) {
            const std::size_t d = editDistance(name, "--" + longName);
            if (d < best) {
                best = d;
                nearest = "--" + longName;
            }
        }
    }
    if (nearest.empty()) return name + ": unknown option; " + program + " --help lists the options";
    return name + ": unknown option; did you mean " + nearest + "?";
}

} // namespace cli
