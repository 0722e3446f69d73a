// Texts between a terminal's character set and the Windows-1252 of form files.
#include "cli/terminaltext.h"

#include <langinfo.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "search/windows1252.h"

namespace cli {

TerminalText TerminalText::fromLocale() {
    const char* codeset = nl_langinfo(CODESET);
    return TerminalText(codeset && std::strcmp(codeset, "UTF-8") == 0);
}

bool TerminalText::validUtf8(std::string_view text) {
    while (!text.empty()) {
        char32_t c = 0;
        const std::size_t length = search::decodeUtf8(text, &c);
        if (length == 0) return false;
        text.remove_prefix(length);
    }
    return true;
}

bool TerminalText::toForm(const std::string& text, const std::string& option, std::string* out,
                          std::string* err) const {
    bool ascii = true;
    for (char c : text) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (!m_utf8 || ascii || !validUtf8(text)) {
        *out = text;
        return true;
    }
    // Decomposed letters, as some input methods and file names give them, become one character.
    std::string lacking;
    if (search::typedToWindows1252(text, out, &lacking)) return true;
    char32_t c = 0;
    search::decodeUtf8(lacking, &c);
    char number[16];
    std::snprintf(number, sizeof number, "U+%04X", static_cast<unsigned>(c));
    *err = option + ": \"" + lacking + "\" (" + number + ") is not a character of Windows-1252, the character set of form files";
    return false;
}

} // namespace cli
