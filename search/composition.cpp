// Decomposed letters composed, as Unicode's NFC does, where Windows-1252 has the result.
#include "search/composition.h"

#include <cstdint>
#include <utility>

namespace search {

namespace {

struct Composition {
    char base;
    char32_t accent;
    char32_t composed;
};

// The letters of Windows-1252 that have a canonical decomposition: a base letter and one
// combining accent.
constexpr Composition kCompositions[] = {
    {'A', 0x300, 0xC0}, {'A', 0x301, 0xC1}, {'A', 0x302, 0xC2}, {'A', 0x303, 0xC3}, {'A', 0x308, 0xC4},
    {'A', 0x30A, 0xC5}, {'C', 0x327, 0xC7}, {'E', 0x300, 0xC8}, {'E', 0x301, 0xC9}, {'E', 0x302, 0xCA},
    {'E', 0x308, 0xCB}, {'I', 0x300, 0xCC}, {'I', 0x301, 0xCD}, {'I', 0x302, 0xCE}, {'I', 0x308, 0xCF},
    {'N', 0x303, 0xD1}, {'O', 0x300, 0xD2}, {'O', 0x301, 0xD3}, {'O', 0x302, 0xD4}, {'O', 0x303, 0xD5},
    {'O', 0x308, 0xD6}, {'U', 0x300, 0xD9}, {'U', 0x301, 0xDA}, {'U', 0x302, 0xDB}, {'U', 0x308, 0xDC},
    {'Y', 0x301, 0xDD}, {'a', 0x300, 0xE0}, {'a', 0x301, 0xE1}, {'a', 0x302, 0xE2}, {'a', 0x303, 0xE3},
    {'a', 0x308, 0xE4}, {'a', 0x30A, 0xE5}, {'c', 0x327, 0xE7}, {'e', 0x300, 0xE8}, {'e', 0x301, 0xE9},
    {'e', 0x302, 0xEA}, {'e', 0x308, 0xEB}, {'i', 0x300, 0xEC}, {'i', 0x301, 0xED}, {'i', 0x302, 0xEE},
    {'i', 0x308, 0xEF}, {'n', 0x303, 0xF1}, {'o', 0x300, 0xF2}, {'o', 0x301, 0xF3}, {'o', 0x302, 0xF4},
    {'o', 0x303, 0xF5}, {'o', 0x308, 0xF6}, {'u', 0x300, 0xF9}, {'u', 0x301, 0xFA}, {'u', 0x302, 0xFB},
    {'u', 0x308, 0xFC}, {'y', 0x301, 0xFD}, {'y', 0x308, 0xFF}, {'S', 0x30C, 0x160}, {'s', 0x30C, 0x161},
    {'Y', 0x308, 0x178}, {'Z', 0x30C, 0x17D}, {'z', 0x30C, 0x17E},
};

// Characters whose canonical form is a single other character that Windows-1252 holds, or an
// accent above (the tone marks U+0340 and U+0341 are the grave and acute accents).
constexpr std::pair<char32_t, char32_t> kSingletons[] = {
    {0x340, 0x300}, {0x341, 0x301}, {0x37E, ';'}, {0x387, 0xB7}, {0x1FEF, '`'}, {0x1FFD, 0xB4},
    {0x212A, 'K'}, {0x212B, 0xC5},
};

std::size_t sequenceLength(unsigned char lead) {
    return lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
}

char32_t decode(std::string_view text, std::size_t at, std::size_t length) {
    const auto b = [&](std::size_t i) { return static_cast<char32_t>(static_cast<unsigned char>(text[at + i])); };
    switch (length) {
    case 1: return b(0);
    case 2: return ((b(0) & 0x1F) << 6) | (b(1) & 0x3F);
    case 3: return ((b(0) & 0x0F) << 12) | ((b(1) & 0x3F) << 6) | (b(2) & 0x3F);
    default: return ((b(0) & 0x07) << 18) | ((b(1) & 0x3F) << 12) | ((b(2) & 0x3F) << 6) | (b(3) & 0x3F);
    }
}

void encode(char32_t c, std::string& out) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

char32_t canonical(char32_t c) {
    for (const auto& [from, to] : kSingletons)
        if (c == from) return to;
    return c;
}

} // namespace

std::string composeForWindows1252(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    std::size_t at = 0;
    while (at < utf8.size()) {
        const std::size_t length = sequenceLength(static_cast<unsigned char>(utf8[at]));
        const char32_t c = canonical(decode(utf8, at, length));
        // An accent after a letter of ASCII with which it makes one character.
        bool composed = false;
        if (c >= 0x300 && c <= 0x36F && !out.empty()) {
            const char base = out.back();
            for (const Composition& k : kCompositions) {
                if (k.base != base || k.accent != c) continue;
                out.pop_back();
                encode(k.composed, out);
                composed = true;
                break;
            }
        }
        if (!composed) {
            if (c == decode(utf8, at, length))
                out.append(utf8.substr(at, length));
            else
                encode(c, out);
        }
        at += length;
    }
    return out;
}

} // namespace search
