// Cuts a fuzz input into criteria, options and the form file.
#include "tests/fuzz/fuzzinput.h"

#include <algorithm>
#include <string_view>
#include <vector>

namespace fuzz {

namespace {

constexpr std::size_t kCriteriaFields = 10;
constexpr std::size_t kMaxChunk = 1 << 16;
constexpr std::size_t kMaxBlock = 1 << 20;
constexpr long long kMaxBreak = 1000000;

std::vector<std::string_view> cutFields(std::string_view header) {
    std::vector<std::string_view> fields;
    for (;;) {
        std::size_t bar = header.find('|');
        fields.push_back(header.substr(0, bar));
        if (bar == std::string_view::npos) return fields;
        header.remove_prefix(bar + 1);
    }
}

// The digits at pos, moving pos behind them; fallback when there are none.
long long numberAt(std::string_view text, std::size_t& pos, long long fallback) {
    long long value = 0;
    bool any = false;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
        if (value < kMaxBreak) value = value * 10 + (text[pos] - '0');
        any = true;
        ++pos;
    }
    return any ? value : fallback;
}

void applyOptions(std::string_view options, FuzzInput& input) {
    std::size_t pos = 0;
    while (pos < options.size()) {
        const char letter = options[pos++];
        switch (letter) {
        case 'c':
            input.readChunk =
                static_cast<std::size_t>(std::clamp<long long>(numberAt(options, pos, 7), 1, kMaxChunk));
            break;
        case 'b':
            input.blockSize =
                static_cast<std::size_t>(std::clamp<long long>(numberAt(options, pos, 16), 1, kMaxBlock));
            break;
        case 'k':
            input.breakAt = std::clamp<long long>(numberAt(options, pos, 1), 0, kMaxBreak);
            break;
        case 'f':
            input.failingOutput = static_cast<int>(std::clamp<long long>(numberAt(options, pos, 1), 0, 4));
            break;
        case 't':
            input.chosenTwice = true;
            break;
        default:
            break;
        }
    }
}

} // namespace

FuzzInput parseFuzzInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input;
    const std::string_view all(reinterpret_cast<const char*>(data), size);
    const std::size_t lf = all.find('\n');
    const std::string_view header = all.substr(0, lf);
    if (lf != std::string_view::npos) input.formFile.assign(all.substr(lf + 1));

    const std::vector<std::string_view> fields = cutFields(header);
    for (std::size_t i = 0; i < kCriteriaFields && i < fields.size(); ++i)
        input.criteria.texts[i].assign(fields[i]);
    if (fields.size() > 10 && !fields[10].empty()) {
        if (fields[10][0] == '+') input.criteria.dataHeld = search::DataHeld::AtUlma;
        if (fields[10][0] == '-') input.criteria.dataHeld = search::DataHeld::NotAtUlma;
    }
    if (fields.size() > 11) input.probe.assign(fields[11]);
    if (fields.size() > 12) applyOptions(fields[12], input);
    return input;
}

} // namespace fuzz
