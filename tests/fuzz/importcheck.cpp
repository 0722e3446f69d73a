// The checks of the import's fuzz target.
#include "tests/fuzz/importcheck.h"

#include <algorithm>
#include <cstring>

#include "import/formbuilder.h"
#include "import/recordreader.h"

namespace fuzz {

namespace {

std::size_t separators(const std::string& line) { return static_cast<std::size_t>(std::count(line.begin(), line.end(), '^')); }

std::string checkForm(const csrimport::ImportedForm& form) {
    const auto& lines = form.lines;
    if (lines.size() < 10 || lines.size() > 200) return "a form of " + std::to_string(lines.size()) + " lines";
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (!lines[i].empty() && lines[i][0] == '*') return "line " + std::to_string(i) + " begins with *";
        if (lines[i].find_first_of("\r\n") != std::string::npos) return "line " + std::to_string(i) + " holds CR or LF";
    }
    // Line 0 has six fields, line 4 five, lines 5 and 6 two, observation lines six; line 9 one.
    const std::pair<std::size_t, std::size_t> fixed[] = {{0, 5}, {4, 4}, {5, 1}, {6, 1}, {9, 0}, {1, 0}, {3, 0}, {7, 0}};
    for (const auto& [line, count] : fixed)
        if (separators(lines[line]) != count) return "line " + std::to_string(line) + " has a stray ^: " + lines[line];
    for (std::size_t i = 10; i < lines.size(); ++i)
        if (separators(lines[i]) != 5) return "observation line " + std::to_string(i) + " has not six fields";
    if (lines[0].compare(0, 4, std::to_string(form.begin.year)) != 0) return "line 0 does not start with the year";
    return {};
}

} // namespace

std::string checkImport(const std::uint8_t* data, std::size_t size) {
    std::size_t at = 0;
    const csrimport::RecordReader::Source source = [&](char* buffer, int wanted) {
        // Blocks of at most 97 bytes, so that the parser meets its input in pieces.
        const std::size_t n = std::min({static_cast<std::size_t>(wanted), std::size_t{97}, size - at});
        if (n > 0) std::memcpy(buffer, data + at, n);
        at += n;
        return static_cast<int>(n);
    };
    std::string problem, bad;
    csrimport::RecordReader::read(
        source,
        [&](const xmlNode* record) {
            csrimport::ImportedForm form;
            if (csrimport::FormBuilder::build(record, &form) == csrimport::RecordVerdict::Imported && bad.empty())
                bad = checkForm(form);
            return true;
        },
        &problem);
    return bad;
}

} // namespace fuzz
