// Cuts a form file into CSR forms, reading it in large blocks.
#include "search/formreader.h"

#include <algorithm>
#include <cstring>

namespace search {

namespace {

// A form holds lines 0 to 200; the line counter passing 200 means the file is malformed.
constexpr std::size_t kMaxLineNumber = 200;

// "1 GiB", "64 KiB", "1000 bytes": a size as the messages give it.
std::string sizeText(std::size_t bytes) {
    for (const auto& [unit, name] : {std::pair<std::size_t, const char*>{std::size_t{1} << 30, "GiB"},
                                     {std::size_t{1} << 20, "MiB"}, {std::size_t{1} << 10, "KiB"}})
        if (bytes >= unit && bytes % unit == 0) return std::to_string(bytes / unit) + " " + name;
    return std::to_string(bytes) + " bytes";
}

} // namespace

FormReader::FormReader(InputFile& file, std::size_t blockSize, std::size_t maxFormBytes)
    : m_file(file), m_scan(scan::kernels()), m_buffer(blockSize), m_blockSize(blockSize),
      m_maxFormBytes(maxFormBytes) {}

// Moves the data from keepFrom on to the start of the buffer (growing it when that data
// fills it) and reads at most one more block behind it; the offsets of the reader move with it.
// False with m_failure and err set when the file cannot be read, the form passes the size
// limit or its memory cannot be had.
bool FormReader::fill(std::size_t keepFrom, std::string* err) {
    std::size_t kept = m_end - keepFrom;
    if (keepFrom > 0 && kept > 0) std::memmove(m_buffer.data(), m_buffer.data() + keepFrom, kept);
    m_begin -= keepFrom;
    m_formStart = m_formStart > keepFrom ? m_formStart - keepFrom : 0;
    m_end = kept;
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

FormReader::Status FormReader::next(Form& form, std::string* err) {
    if (std::optional<Status> status = skipTerminatorRest(err)) return *status;
    if (std::optional<Status> status = findFormEnd(err)) return *status;
    makeForm(form);
    return Status::Form;
}

// Step 1: the rest of the last form's terminator line, up to its line end.
std::optional<FormReader::Status> FormReader::skipTerminatorRest(std::string* err) {
    if (m_inTerminator && m_begin < m_end && m_buffer[m_begin] == '\r') { // a terminator line of "*" alone
        ++m_begin;
        m_skipLf = true;
        m_inTerminator = false;
    }
    while (m_inTerminator) {
        const std::size_t cr = m_scan.findCr(m_buffer.data(), m_end, m_begin);
        if (cr < m_end) {
            m_begin = cr + 1;
            m_skipLf = true;
            m_inTerminator = false;
        } else if (m_eof) {
            m_begin = m_end;
            m_inTerminator = false;
        } else {
            m_begin = m_end;
            if (!fill(m_begin, err)) return m_failure;
        }
    }
    return std::nullopt;
}

// Moves m_begin past the LF of a CR LF that ended the last line, reading more of the file
// until the next line's first byte is there. False when the file cannot be read; at the end
// of the file m_begin is m_end.
bool FormReader::startLine(std::string* err) {
    for (;;) {
        if (m_skipLf && m_begin < m_end) {
            if (m_buffer[m_begin] == '\n') ++m_begin;
            m_skipLf = false;
        }
        if (m_begin < m_end || m_eof) return true;
        if (!fill(m_begin, err)) return false;
    }
}

// Step 2: the lines of the next form, up to its terminator line, only counted; the line end of
// line 9 is noted. A line numbered above 200 makes the file malformed.
std::optional<FormReader::Status> FormReader::findFormEnd(std::string* err) {
    if (!startLine(err)) return m_failure;
    if (m_begin == m_end) return Status::End;
    m_formStart = m_begin;
    std::size_t lineEnds = 0;
    std::size_t scanned = 0; // bytes of the form searched, from its start
    for (;;) {
        const std::size_t at = m_scan.findTerminator(m_buffer.data(), m_end, m_formStart, m_formStart + scanned,
                                                     &lineEnds, kHeaderLines, &m_headerEnd);
        if (at < m_end) {
            if (lineEnds > kMaxLineNumber) return Status::Malformed; // the terminator is line 201 or later
            m_terminator = at;
            m_lines = lineEnds;
            m_begin = at + 1;
            m_inTerminator = true;
            return std::nullopt;
        }
        if (lineEnds > kMaxLineNumber + 1) return Status::Malformed; // line 201 has ended
        scanned = m_end - m_formStart;
        if (m_eof) return endOfFile(lineEnds);
        const std::size_t moved = m_formStart;
        if (!fill(m_formStart, err)) return m_failure;
        if (lineEnds >= kHeaderLines) m_headerEnd -= moved;
    }
}

// The end of the file in a form without its terminator line: lines after the last terminator
// belong to no form, but a last line without a line end still counts towards the limit.
FormReader::Status FormReader::endOfFile(std::size_t lineEnds) const {
    const char* base = m_buffer.data();
    std::size_t lastLineStart = m_formStart;
    if (lineEnds > 0) {
        const void* lastCr = memrchr(base + m_formStart, '\r', m_end - m_formStart);
        lastLineStart = static_cast<std::size_t>(static_cast<const char*>(lastCr) - base) + 1;
        if (lastLineStart < m_end && base[lastLineStart] == '\n') ++lastLineStart;
    }
    const std::size_t lines = lineEnds + (lastLineStart < m_end ? 1 : 0);
    return lines > kMaxLineNumber + 1 ? Status::Malformed : Status::End;
}

// Step 3: the form found: its header lines and, from line 10 on, its observation lines as one
// block of bytes; the form cuts them into lines when asked.
void FormReader::makeForm(Form& form) const {
    const char* base = m_buffer.data();
    form.clear();
    if (m_lines < kHeaderLines) {
        form.setHeaderLines(std::string_view(base + m_formStart, m_terminator - m_formStart), static_cast<int>(m_lines));
        return;
    }
    form.setHeaderLines(std::string_view(base + m_formStart, m_headerEnd + 1 - m_formStart),
                        static_cast<int>(kHeaderLines));
    std::size_t start = m_headerEnd + 1;
    if (base[start] == '\n') ++start; // at most the terminator's first byte
    // The block ends before the line end of the last observation line.
    std::size_t end = m_terminator;
    if (m_lines > kHeaderLines) end -= base[m_terminator - 1] == '\r' ? 1 : 2;
    form.setObservationLines(std::string_view(base + start, end - start), static_cast<int>(m_lines - kHeaderLines));
}

} // namespace search
