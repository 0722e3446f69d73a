// Cuts a form file into CSR forms, reading it in large blocks.
#include "search/formreader.h"

#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace search {

namespace {

// A form holds lines 0 to 200; the line counter passing 200 means the file is malformed.
constexpr int kMaxLineNumber = 200;

// The first CR in [p, end), or nullptr. Form lines are short (some 30 bytes), so an inline
// scan of sixteen bytes at a time costs less than a library call per line.
inline const char* findCr(const char* p, const char* end) {
#if defined(__SSE2__)
    const __m128i cr = _mm_set1_epi8('\r');
    for (; end - p >= 16; p += 16) {
        const int hits = _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), cr));
        if (hits) return p + __builtin_ctz(static_cast<unsigned>(hits));
    }
#endif
    return static_cast<const char*>(std::memchr(p, '\r', static_cast<std::size_t>(end - p)));
}

} // namespace

FormReader::FormReader(InputFile& file, std::size_t blockSize) : m_file(file), m_buffer(blockSize) {}

// Moves the data from keepFrom on to the start of the buffer (growing it when that data
// fills it) and reads another block behind it. Spans are relative to keepFrom.
bool FormReader::fill(std::size_t keepFrom, std::string* err) {
    std::size_t kept = m_end - keepFrom;
    if (keepFrom > 0 && kept > 0) std::memmove(m_buffer.data(), m_buffer.data() + keepFrom, kept);
    m_begin -= keepFrom;
    m_end = kept;
    if (m_end == m_buffer.size()) m_buffer.resize(m_buffer.size() * 2);
    long long n = m_file.read(m_buffer.data() + m_end, m_buffer.size() - m_end, err);
    if (n < 0) return false;
    if (n == 0) m_eof = true;
    m_end += static_cast<std::size_t>(n);
    m_bytesRead += static_cast<std::uint64_t>(n);
    return true;
}

FormReader::Status FormReader::finishForm(Form& form, std::size_t formStart) {
    const char* base = m_buffer.data() + formStart;
    form.clear();
    for (int n = 0; n < m_spanCount; ++n) {
        const auto& [offset, length] = m_spans[static_cast<std::size_t>(n)];
        form.append(std::string_view(base + offset, length));
    }
    if (form.last() >= Form::kFirstObservationLine) {
        const char* first = form.line(Form::kFirstObservationLine).data();
        const std::string_view lastLine = form.line(form.last());
        form.setObservationBlock(std::string_view(first, static_cast<std::size_t>(lastLine.data() + lastLine.size() - first)));
    }
    return Status::Form;
}

FormReader::Status FormReader::next(Form& form, std::string* err) {
    // Span offsets are relative to formStart, the first byte of the form's first line, so
    // that the buffer can be compacted under them.
    std::size_t formStart = m_begin;
    m_spanCount = 0;
    int lineCounter = -1;
    for (;;) {
        // Locals, so that the stores into the spans do not make the compiler reload them.
        const char* base = m_buffer.data();
        std::size_t pos = m_begin;
        const std::size_t end = m_end;
        bool skipLf = m_skipLf;
        int count = m_spanCount;
        auto* spans = m_spans.data();
        auto save = [&] {
            m_begin = pos;
            m_skipLf = skipLf;
            m_spanCount = count;
        };
        for (;;) {
            if (skipLf) {
                if (pos == end) break;
                if (base[pos] == '\n') ++pos;
                skipLf = false;
            }
            const char* cr = findCr(base + pos, base + end);
            if (!cr) break;
            const std::size_t lineStart = pos;
            const std::size_t lineEnd = static_cast<std::size_t>(cr - base);
            pos = lineEnd + 1;
            skipLf = true;
            if (++lineCounter > kMaxLineNumber) {
                save();
                return Status::Malformed;
            }
            if (lineEnd > lineStart && base[lineStart] == '*') {
                save();
                return finishForm(form, formStart);
            }
            if (count == 0) formStart = lineStart;
            spans[count++] = {lineStart - formStart, lineEnd - lineStart};
        }
        save();
        if (!m_eof) {
            if (!fill(formStart, err)) return Status::ReadError;
            formStart = 0;
            continue;
        }
        if (m_begin == m_end) return Status::End; // lines after the last terminator belong to no form
        // The last line of the file, without a line end.
        const std::size_t lineStart = m_begin;
        m_begin = m_end;
        m_skipLf = false;
        if (++lineCounter > kMaxLineNumber) return Status::Malformed;
        if (base[lineStart] == '*') return finishForm(form, formStart);
        if (m_spanCount == 0) formStart = lineStart;
        m_spans[static_cast<std::size_t>(m_spanCount++)] = {lineStart - formStart, m_end - lineStart};
    }
}

} // namespace search
