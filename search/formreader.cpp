// Cuts a form file into CSR forms, reading it in large blocks.
#include "search/formreader.h"

#include <algorithm>
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

FormReader::FormReader(InputFile& file, std::size_t blockSize, std::size_t maxFormBytes)
    : m_file(file), m_buffer(blockSize), m_blockSize(blockSize), m_maxFormBytes(maxFormBytes) {}

namespace {

// "1 GiB", "64 KiB", "1000 bytes": a size as the messages give it.
std::string sizeText(std::size_t bytes) {
    for (const auto& [unit, name] : {std::pair<std::size_t, const char*>{std::size_t{1} << 30, "GiB"},
                                     {std::size_t{1} << 20, "MiB"}, {std::size_t{1} << 10, "KiB"}})
        if (bytes >= unit && bytes % unit == 0) return std::to_string(bytes / unit) + " " + name;
    return std::to_string(bytes) + " bytes";
}

} // namespace

// Moves the data from keepFrom on to the start of the buffer (growing it when that data
// fills it) and reads at most one more block behind it. Spans are relative to keepFrom.
// False with m_failure and err set when the file cannot be read, the form passes the size
// limit or its memory cannot be had.
bool FormReader::fill(std::size_t keepFrom, std::string* err) {
    std::size_t kept = m_end - keepFrom;
    if (keepFrom > 0 && kept > 0) std::memmove(m_buffer.data(), m_buffer.data() + keepFrom, kept);
    m_begin -= keepFrom;
    m_end = kept;
    m_noCrBefore = m_noCrBefore > keepFrom ? m_noCrBefore - keepFrom : 0;
    if (m_end == m_buffer.capacity()) {
        // All that is kept belongs to one unfinished form.
        if (kept > m_maxFormBytes) {
            m_failure = Status::TooLarge;
            if (err) *err = "a form there is larger than " + sizeText(m_maxFormBytes) + ", the most a form may hold";
            return false;
        }
        const std::size_t grown = std::min(std::max(kept + m_blockSize, kept + kept / 2), m_maxFormBytes + m_blockSize);
        if (!m_buffer.grow(grown)) {
            m_failure = Status::NoMemory;
            if (err) *err = "not enough memory for a form of more than " + std::to_string(kept >> 20) + " MiB";
            return false;
        }
    }
    // Reading a block at a time, however large the buffer has grown, takes memory only for
    // bytes that are there.
    long long n = m_file.read(m_buffer.data() + m_end, std::min(m_blockSize, m_buffer.capacity() - m_end), err);
    if (n < 0) {
        m_failure = Status::ReadError;
        return false;
    }
    if (n == 0) m_eof = true;
    m_end += static_cast<std::size_t>(n);
    m_bytesRead += static_cast<std::uint64_t>(n);
    return true;
}

void FormReader::finishHeader(Form& form, std::size_t formStart) const {
    const char* base = m_buffer.data() + formStart;
    form.clear();
    for (int n = 0; n < m_spanCount; ++n) {
        const auto& [offset, length] = m_spans[static_cast<std::size_t>(n)];
        form.append(std::string_view(base + offset, length));
    }
}

// Whether position p of the buffer starts a line: the start of the observation lines, or
// just after a CR, or after a CR and its LF.
bool FormReader::lineStartsAt(std::size_t p, std::size_t tailStart) const {
    const char* base = m_buffer.data();
    return p == tailStart || base[p - 1] == '\r' || (base[p - 1] == '\n' && base[p - 2] == '\r');
}

// The first terminator line in [from, m_end), counting the CRs passed (each ends one line).
std::size_t FormReader::scanTail(std::size_t tailStart, std::size_t from, int& lineEnds) const {
    const char* base = m_buffer.data();
    std::size_t i = from;
#if defined(__SSE2__)
    // CRs are counted per byte lane (a lane holds at most 255) and summed now and then; the
    // baseline x86-64 has no popcount instruction.
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i star = _mm_set1_epi8('*');
    const __m128i zero = _mm_setzero_si128();
    __m128i lanes = zero;
    int pending = 0;
    auto addLanes = [&] {
        const __m128i sums = _mm_sad_epu8(lanes, zero);
        lineEnds += _mm_cvtsi128_si32(sums) + _mm_extract_epi16(sums, 4);
        lanes = zero;
        pending = 0;
    };
    for (; i + 16 <= m_end; i += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(base + i));
        const __m128i crs = _mm_cmpeq_epi8(bytes, cr);
        for (unsigned stars = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, star))); stars;
             stars &= stars - 1) {
            const unsigned bit = static_cast<unsigned>(__builtin_ctz(stars));
            if (lineStartsAt(i + bit, tailStart)) {
                addLanes();
                for (unsigned before = static_cast<unsigned>(_mm_movemask_epi8(crs)) & ((1u << bit) - 1); before;
                     before &= before - 1)
                    ++lineEnds;
                return i + bit;
            }
        }
        lanes = _mm_sub_epi8(lanes, crs); // a match is -1
        if (++pending == 255) addLanes();
    }
    addLanes();
#endif
    for (; i < m_end; ++i) {
        if (base[i] == '\r')
            ++lineEnds;
        else if (base[i] == '*' && lineStartsAt(i, tailStart))
            return i;
    }
    return std::string::npos;
}

FormReader::Status FormReader::next(Form& form, std::string* err) {
    if (m_skipTerminator) {
        // The rest of the last form's terminator line, which ran past the buffer.
        for (;;) {
            const char* base = m_buffer.data();
            const char* cr = findCr(base + m_begin, base + m_end);
            if (cr) {
                m_begin = static_cast<std::size_t>(cr - base) + 1;
                m_skipLf = true;
                break;
            }
            m_begin = m_end;
            if (m_eof) break;
            if (!fill(m_begin, err)) return m_failure;
        }
        m_skipTerminator = false;
    }

    // Span offsets are relative to formStart, the first byte of the form's first line, so
    // that the buffer can be compacted under them.
    std::size_t formStart = m_begin;
    m_spanCount = 0;
    int lineCounter = -1;

    // Header lines 0 to 9, one at a time.
    while (m_spanCount < Form::kFirstObservationLine || m_skipLf) {
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
            if (count == Form::kFirstObservationLine) break;
            // Bytes of an unfinished line already searched before the last read hold no CR.
            const char* cr = findCr(base + std::max(pos, m_noCrBefore), base + end);
            if (!cr) {
                m_noCrBefore = end;
                break;
            }
            const std::size_t lineStart = pos;
            const std::size_t lineEnd = static_cast<std::size_t>(cr - base);
            pos = lineEnd + 1;
            skipLf = true;
            ++lineCounter;
            if (lineEnd > lineStart && base[lineStart] == '*') {
                save();
                finishHeader(form, formStart);
                return Status::Form;
            }
            if (count == 0) formStart = lineStart;
            spans[count++] = {lineStart - formStart, lineEnd - lineStart};
        }
        save();
        if (m_spanCount == Form::kFirstObservationLine && !m_skipLf) break;
        if (!m_eof) {
            if (!fill(formStart, err)) return m_failure;
            formStart = 0;
            continue;
        }
        m_skipLf = false;
        if (m_begin == m_end) return Status::End; // lines after the last terminator belong to no form
        // The last line of the file, without a line end.
        const std::size_t lineStart = m_begin;
        m_begin = m_end;
        ++lineCounter;
        if (m_buffer[lineStart] == '*') {
            finishHeader(form, formStart);
            return Status::Form;
        }
        if (m_spanCount == 0) formStart = lineStart;
        m_spans[static_cast<std::size_t>(m_spanCount++)] = {lineStart - formStart, m_end - lineStart};
        if (m_spanCount < Form::kFirstObservationLine) return Status::End;
    }

    // Lines 10 on: only the terminator is looked for, and the line ends are counted. A line
    // numbered above 200 makes the file malformed: 191 line ends before the terminator, or
    // 192 without one.
    constexpr int kMaxObservationLines = kMaxLineNumber - Form::kFirstObservationLine + 1;
    std::size_t tailStart = m_begin - formStart;
    std::size_t scanned = tailStart;
    int lineEnds = 0;
    for (;;) {
        const std::size_t at = scanTail(formStart + tailStart, formStart + scanned, lineEnds);
        if (at != std::string::npos) {
            if (lineEnds > kMaxObservationLines - 1) return Status::Malformed;
            const char* base = m_buffer.data();
            std::size_t tailEnd = at;
            if (lineEnds > 0) tailEnd -= base[at - 1] == '\r' ? 1 : 2;
            finishHeader(form, formStart);
            form.setObservationLines(std::string_view(base + formStart + tailStart, tailEnd - formStart - tailStart),
                                     lineEnds);
            const char* cr = findCr(base + at, base + m_end);
            if (cr) {
                m_begin = static_cast<std::size_t>(cr - base) + 1;
                m_skipLf = true;
            } else {
                m_begin = m_end;
                m_skipTerminator = !m_eof;
            }
            return Status::Form;
        }
        if (lineEnds > kMaxObservationLines) return Status::Malformed;
        scanned = m_end - formStart;
        if (!m_eof) {
            if (!fill(formStart, err)) return m_failure;
            formStart = 0;
            continue;
        }
        // End of file without a terminator: a last line without a line end counts too.
        const char* base = m_buffer.data();
        const std::size_t tailBegin = formStart + tailStart;
        std::size_t lastLineStart = tailBegin;
        if (lineEnds > 0) {
            const void* lastCr = memrchr(base + tailBegin, '\r', m_end - tailBegin);
            lastLineStart = static_cast<std::size_t>(static_cast<const char*>(lastCr) - base) + 1;
            if (lastLineStart < m_end && base[lastLineStart] == '\n') ++lastLineStart;
        }
        if (lastLineStart < m_end && lineEnds + 1 > kMaxObservationLines) return Status::Malformed;
        m_begin = m_end;
        return Status::End;
    }
}

} // namespace search
