// Text between UTF-8 and the single-byte Windows-1252 of form files.
#include "search/windows1252.h"

#include <array>

#include "search/bytescan.h"
#include "search/composition.h"

namespace search {

namespace {

// The code points of the bytes 0x80 to 0x9F; 0 marks the five bytes Windows-1252 leaves
// unassigned. Every other byte is the code point of its own number.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// The Windows-1252 byte of a code point, -1 when there is none.
int byteOf(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<int>(c);
    for (std::size_t i = 0; i < kHighControls.size(); ++i)
        if (kHighControls[i] != 0 && kHighControls[i] == c) return static_cast<int>(0x80 + i);
    return -1;
}

// The characters of bytes 0x80 to 0x9F in Windows-1252; the rest of the byte values are the
// Unicode characters of the same number.
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// The UTF-8 of every byte: up to three bytes, and the count in the fourth.
struct Utf8Table {
    char bytes[256][4] = {};
    constexpr Utf8Table() {
        for (int b = 0; b < 256; ++b) {
            const char32_t c = b >= 0x80 && b < 0xA0 ? kWindows1252High[b - 0x80] : static_cast<char32_t>(b);
            char* out = bytes[b];
            if (c < 0x80) {
                out[0] = static_cast<char>(c);
                out[3] = 1;
            } else if (c < 0x800) {
                out[0] = static_cast<char>(0xC0 | (c >> 6));
                out[1] = static_cast<char>(0x80 | (c & 0x3F));
                out[3] = 2;
            } else {
                out[0] = static_cast<char>(0xE0 | (c >> 12));
                out[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
                out[2] = static_cast<char>(0x80 | (c & 0x3F));
                out[3] = 3;
            }
        }
    }
};

constexpr Utf8Table kUtf8;

} // namespace

bool inWindows1252(char32_t codePoint) { return byteOf(codePoint) >= 0; }

std::size_t decodeUtf8(std::string_view text, char32_t* codePoint) {
    if (text.empty()) return 0;
    const auto b = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = b(0);
    std::size_t length;
    char32_t c;
    if (lead < 0x80) {
        *codePoint = lead;
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        c = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        c = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        c = lead & 0x07;
    } else {
        return 0;
    }
    if (text.size() < length) return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((b(i) & 0xC0) != 0x80) return 0;
        c = (c << 6) | (b(i) & 0x3F);
    }
    // Overlong three- and four-byte forms, surrogates, and code points past U+10FFFF.
    if ((length == 3 && (c < 0x800 || (c >= 0xD800 && c <= 0xDFFF))) || (length == 4 && (c < 0x10000 || c > 0x10FFFF)))
        return 0;
    *codePoint = c;
    return length;
}

std::size_t appendAsWindows1252(std::string_view utf8, std::string& out) {
    std::size_t lacking = 0;
    std::size_t i = 0;
    while (i < utf8.size()) {
        // Runs of ASCII, most of any text, are copied whole.
        std::size_t ascii = i;
        while (ascii < utf8.size() && static_cast<unsigned char>(utf8[ascii]) < 0x80) ++ascii;
        out.append(utf8.data() + i, ascii - i);
        i = ascii;
        if (i == utf8.size()) break;
        char32_t c = 0;
        const std::size_t length = decodeUtf8(utf8.substr(i), &c);
        if (length == 0) {
            out += '?';
            ++lacking;
            ++i;
            continue;
        }
        i += length;
        const int byte = byteOf(c);
        if (byte >= 0) {
            out += static_cast<char>(byte);
        } else {
            out += windows1252Transliteration(c);
            ++lacking;
        }
    }
    return lacking;
}

std::string toWindows1252(std::string_view utf8, std::size_t* lacking) {
    std::string out;
    out.reserve(utf8.size());
    const std::size_t n = appendAsWindows1252(utf8, out);
    if (lacking) *lacking = n;
    return out;
}

bool toWindows1252Exact(std::string_view utf8, std::string* out, std::size_t* stop) {
    out->clear();
    std::size_t i = 0;
    while (i < utf8.size()) {
        char32_t c = 0;
        const std::size_t length = decodeUtf8(utf8.substr(i), &c);
        const int byte = length == 0 ? -1 : byteOf(c);
        if (byte < 0) {
            if (stop) *stop = i;
            return false;
        }
        *out += static_cast<char>(byte);
        i += length;
    }
    return true;
}

std::string_view utf8Of(char windows1252) {
    const char* utf8 = kUtf8.bytes[static_cast<unsigned char>(windows1252)];
    return {utf8, static_cast<std::size_t>(utf8[3])};
}

void appendWindows1252AsUtf8(std::string& out, std::string_view text) {
    while (!text.empty()) {
        // Runs of printable ASCII, the most of any form, go over at once.
        const std::size_t run = scan::countPlain(text, '\x80', '\x80');
        out.append(text.data(), run);
        if (run == text.size()) return;
        out += utf8Of(text[run]);
        text.remove_prefix(run + 1);
    }
}

std::string fromWindows1252(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    appendWindows1252AsUtf8(out, text);
    return out;
}

bool typedToWindows1252(std::string_view utf8, std::string* out, std::string* lacking) {
    const std::string composed = composeForWindows1252(utf8);
    out->clear();
    std::size_t i = 0;
    while (i < composed.size()) {
        char32_t c = 0;
        const std::size_t length = decodeUtf8(std::string_view(composed).substr(i), &c);
        int byte = length == 0 ? -1 : byteOf(c);
        // The five bytes Windows-1252 leaves unassigned stand for the controls of their number.
        if (byte < 0 && length > 0 && c >= 0x80 && c < 0xA0) byte = static_cast<int>(c);
        if (byte < 0) {
            if (lacking) *lacking = composed.substr(i, length == 0 ? 1 : length);
            return false;
        }
        *out += static_cast<char>(byte);
        i += length;
    }
    return true;
}

} // namespace search
