// Texts between a terminal's character set and the Windows-1252 of form files.
#include "cli/terminaltext.h"

#include <iconv.h>
#include <langinfo.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "search/composition.h"

namespace cli {

namespace {

// The length of the UTF-8 sequence that starts with lead, 0 for a byte that starts none.
std::size_t sequenceLength(unsigned char lead) {
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    return 0;
}

// The code point of the well-formed sequence at the start of text.
char32_t codePoint(std::string_view text) {
    const auto b = [&](std::size_t i) { return static_cast<char32_t>(static_cast<unsigned char>(text[i])); };
    switch (sequenceLength(static_cast<unsigned char>(text[0]))) {
    case 1: return b(0);
    case 2: return ((b(0) & 0x1F) << 6) | (b(1) & 0x3F);
    case 3: return ((b(0) & 0x0F) << 12) | ((b(1) & 0x3F) << 6) | (b(2) & 0x3F);
    default: return ((b(0) & 0x07) << 18) | ((b(1) & 0x3F) << 12) | ((b(2) & 0x3F) << 6) | (b(3) & 0x3F);
    }
}

class Converter {
public:
    Converter() : m_cd(iconv_open("WINDOWS-1252", "UTF-8")) {}
    ~Converter() {
        if (m_cd != reinterpret_cast<iconv_t>(-1)) iconv_close(m_cd);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool usable() const { return m_cd != reinterpret_cast<iconv_t>(-1); }

    // Converts all of utf8 (valid UTF-8); false with *stop at the first character that has no
    // Windows-1252 byte.
    bool convert(const std::string& utf8, std::string* out, std::size_t* stop) {
        std::string in = utf8;
        out->assign(utf8.size(), '\0'); // never longer than the UTF-8
        char* inPtr = in.data();
        std::size_t inLeft = in.size();
        char* outPtr = out->data();
        std::size_t outLeft = out->size();
        const std::size_t done = iconv(m_cd, &inPtr, &inLeft, &outPtr, &outLeft);
        out->resize(out->size() - outLeft);
        if (done == static_cast<std::size_t>(-1)) {
            *stop = static_cast<std::size_t>(inPtr - in.data());
            return false;
        }
        return true;
    }

private:
    iconv_t m_cd;
};

} // namespace

TerminalText TerminalText::fromLocale() {
    const char* codeset = nl_langinfo(CODESET);
    return TerminalText(codeset && std::strcmp(codeset, "UTF-8") == 0);
}

bool TerminalText::validUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = sequenceLength(lead);
        if (length == 0 || i + length > text.size()) return false;
        for (std::size_t k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
        const auto second = static_cast<unsigned char>(length > 1 ? text[i + 1] : 0);
        // Overlong three- and four-byte forms, surrogates, and code points past U+10FFFF.
        if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F) || (lead == 0xF0 && second < 0x90) ||
            (lead == 0xF4 && second > 0x8F))
            return false;
        i += length;
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
    const std::string composed = search::composeForWindows1252(text);
    Converter converter;
    std::size_t stop = 0;
    if (converter.usable() && converter.convert(composed, out, &stop)) return true;
    if (!converter.usable()) {
        *err = option + ": the text cannot be turned into Windows-1252 here: " + std::strerror(errno);
        return false;
    }
    if (stop >= composed.size()) {
        *err = option + ": the text cannot be turned into Windows-1252";
        return false;
    }
    const std::string_view rest(composed.data() + stop, composed.size() - stop);
    const std::size_t length = sequenceLength(static_cast<unsigned char>(rest[0]));
    char number[16];
    std::snprintf(number, sizeof number, "U+%04X", static_cast<unsigned>(codePoint(rest)));
    *err = option + ": \"" + std::string(rest.substr(0, length)) + "\" (" + number +
           ") is not a character of Windows-1252, the character set of form files";
    return false;
}

} // namespace cli
