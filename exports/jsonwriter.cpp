// JSON text written straight into a buffer, as compact as nlohmann-json's dump() writes it.
#include "exports/jsonwriter.h"

#include <algorithm>
#include <array>
#include <charconv>

#include "search/bytescan.h"
#include "search/textutil.h"

namespace exports {

namespace {

// The escape of each byte that JSON asks to escape (the control characters, '"' and '\'),
// empty for the others; the length is in the last char.
struct Escapes {
    std::array<std::array<char, 7>, 256> bytes{};
    constexpr Escapes() {
        constexpr char hex[] = "0123456789abcdef";
        for (int b = 0; b < 0x20; ++b) {
            const char shortForm = b == '\b'   ? 'b'
                                   : b == '\f' ? 'f'
                                   : b == '\n' ? 'n'
                                   : b == '\r' ? 'r'
                                   : b == '\t' ? 't'
                                               : '\0';
            auto& out = bytes[static_cast<std::size_t>(b)];
            if (shortForm != 0) {
                out = {'\\', shortForm, 0, 0, 0, 0, 2};
            } else {
                out = {'\\', 'u', '0', '0', hex[b >> 4], hex[b & 15], 6};
            }
        }
        bytes['"'] = {'\\', '"', 0, 0, 0, 0, 2};
        bytes['\\'] = {'\\', '\\', 0, 0, 0, 0, 2};
    }
};

constexpr Escapes kEscapes;

// The bytes a JSON string holds as they are: printable ASCII but '"' and '\'.
constexpr std::array<bool, 256> kPlain = [] {
    std::array<bool, 256> plain{};
    for (int b = 0x20; b < 0x80; ++b) plain[static_cast<std::size_t>(b)] = b != '"' && b != '\\';
    return plain;
}();

// The length of the run of plain bytes at the start of text: short texts, most of a form's,
// a byte at a time, longer ones with the vectorised scan.
std::size_t plainRun(const char* text, std::size_t size) {
    if (size >= 16) return search::scan::kernels().countPlain(text, size, '"', '\\');
    std::size_t run = 0;
    while (run < size && kPlain[static_cast<unsigned char>(text[run])]) ++run;
    return run;
}

} // namespace

void JsonWriter::keyText(std::string_view windows1252) {
    separate();
    quoted(windows1252);
    *room(1) = ':';
    ++m_size;
    m_afterKey = true;
}

void JsonWriter::text(std::string_view windows1252) {
    separate();
    quoted(windows1252);
}

void JsonWriter::quoted(std::string_view windows1252) {
    // A piece at a time, each byte taking at most six (an escape \u00xx, or three of UTF-8).
    constexpr std::size_t kPiece = std::size_t{1} << 14;
    *room(1) = '"';
    ++m_size;
    while (!windows1252.empty()) {
        const std::size_t size = std::min(windows1252.size(), kPiece);
        char* p = room(6 * size);
        const char* in = windows1252.data();
        std::size_t left = size;
        while (left > 0) {
            const std::size_t run = plainRun(in, left);
            std::memcpy(p, in, run);
            p += run;
            in += run;
            left -= run;
            if (left == 0) break;
            const auto& escape = kEscapes.bytes[static_cast<unsigned char>(*in)];
            const std::string_view bytes = escape[6] != 0
                                               ? std::string_view(escape.data(), static_cast<std::size_t>(escape[6]))
                                               : search::utf8Of(*in);
            std::memcpy(p, bytes.data(), bytes.size());
            p += bytes.size();
            ++in;
            --left;
        }
        m_size = static_cast<std::size_t>(p - m_buffer.data());
        windows1252.remove_prefix(size);
        if (m_out && m_size >= kPiece * 4) {
            m_out->put(written());
            m_size = 0;
        }
    }
    *room(1) = '"';
    ++m_size;
}

void JsonWriter::grow(std::size_t n) {
    m_buffer.resize(2 * (m_size + n));
}

void JsonWriter::number(long long value) {
    separate();
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    put(std::string_view(digits, static_cast<std::size_t>(end - digits)));
}

void JsonWriter::numberText(std::string_view digits) {
    separate();
    put(digits);
}

void JsonWriter::boolean(bool value) {
    separate();
    put(value ? "true" : "false");
}

void JsonWriter::null() {
    separate();
    put("null");
}

} // namespace exports
