// Values of a record as a form holds them.
#include "import/formtext.h"

#include "search/windows1252.h"

namespace csrimport {

std::string cleanValue(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    bool blank = false; // a blank is pending: written only before the next other character
    for (char c : text) {
        if (c == ' ' || c == '\r' || c == '\n' || c == '\t') {
            blank = !out.empty();
            continue;
        }
        if (blank) out += ' ';
        blank = false;
        out += c == '^' ? '/' : c;
    }
    return out;
}

FormText formText(std::string_view utf8) {
    FormText value;
    std::string converted;
    converted.reserve(utf8.size());
    value.transliterated = search::appendAsWindows1252(utf8, converted);
    value.text = cleanValue(converted);
    return value;
}

std::string_view trimBlanks(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

std::string_view trimWhitespace(std::string_view text) {
    const auto space = [](char c) { return c == ' ' || c == '\r' || c == '\n' || c == '\t'; };
    while (!text.empty() && space(text.front())) text.remove_prefix(1);
    while (!text.empty() && space(text.back())) text.remove_suffix(1);
    return text;
}

std::string formLine(std::string line) {
    if (!line.empty() && line.front() == '*') line.insert(line.begin(), ' ');
    return line;
}

} // namespace csrimport
