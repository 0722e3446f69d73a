// Cuts a form file into CSR forms, reading it in large blocks.
#include "search/formreader.h"

#include <cstring>

namespace search {

namespace {
// A form holds lines 0 to 200; the line counter passing 200 means the file is malformed.
constexpr int kMaxLineNumber = 200;
} // namespace

FormReader::FormReader(InputFile& file, std::size_t blockSize) : m_file(file), m_buffer(blockSize) {
    m_spans.reserve(Form::kMaxLines);
}

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

FormReader::Status FormReader::next(Form& form, std::string* err) {
    // Offsets in m_spans are relative to formStart, the first byte of the form's first line.
    std::size_t formStart = m_begin;
    m_spans.clear();
    m_lineCounter = -1;
    for (;;) {
        if (m_skipLf) {
            if (m_begin == m_end && !m_eof) {
                if (!fill(formStart, err)) return Status::ReadError;
                formStart = 0;
                continue;
            }
            if (m_begin < m_end && m_buffer[m_begin] == '\n') ++m_begin;
            m_skipLf = false;
            if (m_spans.empty()) formStart = m_begin;
        }
        const char* base = m_buffer.data();
        const void* cr = m_begin < m_end ? std::memchr(base + m_begin, '\r', m_end - m_begin) : nullptr;
        std::size_t lineEnd;
        if (cr) {
            lineEnd = static_cast<std::size_t>(static_cast<const char*>(cr) - base);
        } else if (!m_eof) {
            if (!fill(formStart, err)) return Status::ReadError;
            formStart = 0;
            continue;
        } else if (m_begin < m_end) {
            lineEnd = m_end; // last line of the file without a line end
        } else {
            return Status::End; // lines after the last terminator belong to no form
        }

        std::size_t lineStart = m_begin;
        m_begin = cr ? lineEnd + 1 : lineEnd;
        m_skipLf = cr != nullptr;
        if (++m_lineCounter > kMaxLineNumber) return Status::Malformed;
        if (lineEnd > lineStart && base[lineStart] == '*') {
            form.clear();
            for (const auto& [offset, length] : m_spans) form.append(std::string_view(base + formStart + offset, length));
            if (form.last() >= Form::kFirstObservationLine) {
                const char* first = form.line(Form::kFirstObservationLine).data();
                const std::string_view lastLine = form.line(form.last());
                form.setObservationBlock(
                    std::string_view(first, static_cast<std::size_t>(lastLine.data() + lastLine.size() - first)));
            } else {
                form.setObservationBlock({});
            }
            return Status::Form;
        }
        if (m_spans.empty()) {
            // The form's first line: keep only from here when the buffer is compacted.
            formStart = lineStart;
        }
        m_spans.emplace_back(lineStart - formStart, lineEnd - lineStart);
    }
}

} // namespace search
