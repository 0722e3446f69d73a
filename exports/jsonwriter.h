// JSON text written straight into a buffer, as compact as nlohmann-json's dump() writes it.
#ifndef EXPORTS_JSONWRITER_H
#define EXPORTS_JSONWRITER_H

#include <cstring>
#include <string>
#include <string_view>

#include "search/filesystem.h"

namespace exports {

/// Writes JSON values member by member into a buffer of its own, without building a tree first:
/// the JSON Lines export writes hundreds of MB this way at the speed of a copy. With an output
/// file (streamTo), the buffer goes there whenever a long text has filled it, so that a value
/// of any size takes a buffer of a fixed size. The bytes are
/// those nlohmann-json's dump() gives for the same value (no blanks; in strings only '"', '\',
/// and control characters escaped, the short forms \b \f \n \r \t where they exist, else
/// \u00xx), which the tests hold it to.
class JsonWriter {
public:
    /// Empties the buffer for the next value.
    void clear() {
        m_size = 0;
        m_first = true;
        m_afterKey = false;
    }
    /// What was written since the last clear(), or since the buffer last went to the output.
    std::string_view written() const { return {m_buffer.data(), m_size}; }
    /// Where a full buffer goes; none (the default) keeps the whole value in the buffer.
    void streamTo(search::OutputFile* out) { m_out = out; }

    void beginObject() { open('{'); }
    void endObject() { close('}'); }
    void beginArray() { open('['); }
    void endArray() { close(']'); }
    /// The name of the next member, plain ASCII needing no escape.
    template <std::size_t N> void key(const char (&name)[N]) {
        separate();
        char* p = room(N + 2);
        *p++ = '"';
        std::memcpy(p, name, N - 1);
        p += N - 1;
        *p++ = '"';
        *p = ':';
        m_size += N + 2;
        m_afterKey = true;
    }
    /// A member whose value is Windows-1252 text.
    template <std::size_t N> void textMember(const char (&name)[N], std::string_view windows1252) {
        key(name);
        text(windows1252);
    }
    /// The name of the next member, of Windows-1252 text.
    void keyText(std::string_view windows1252);
    /// Windows-1252 text as a UTF-8 string.
    void text(std::string_view windows1252);
    void number(long long value);
    /// The text of a JSON number, written as it stands.
    void numberText(std::string_view digits);
    void boolean(bool value);
    void null();

private:
    void separate() {
        if (m_afterKey) {
            m_afterKey = false;
        } else if (!m_first) {
            *room(1) = ',';
            ++m_size;
        }
        m_first = false;
    }
    void put(std::string_view bytes) {
        std::memcpy(room(bytes.size()), bytes.data(), bytes.size());
        m_size += bytes.size();
    }
    void open(char bracket) {
        separate();
        *room(1) = bracket;
        ++m_size;
        m_first = true;
    }
    void close(char bracket) {
        *room(1) = bracket;
        ++m_size;
        m_first = false;
    }
    // Where the next n bytes go.
    char* room(std::size_t n) {
        if (m_buffer.size() - m_size < n) grow(n);
        return m_buffer.data() + m_size;
    }
    void grow(std::size_t n);
    void quoted(std::string_view windows1252);

    search::OutputFile* m_out = nullptr;
    std::string m_buffer; // used as raw room: only the first m_size bytes count
    std::size_t m_size = 0;
    bool m_first = true;     // the next value is the first of its object or array
    bool m_afterKey = false; // the next value follows its name
};

} // namespace exports

#endif // EXPORTS_JSONWRITER_H
