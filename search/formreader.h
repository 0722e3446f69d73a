// Cuts a form file into CSR forms, reading it in large blocks.
#ifndef SEARCH_FORMREADER_H
#define SEARCH_FORMREADER_H

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "search/bytebuffer.h"
#include "search/bytescan.h"
#include "search/filesystem.h"
#include "search/form.h"

namespace search {

/// Reads forms from one file. A line ends at CR or CR LF; a lone LF stays in the line; every
/// byte is kept. A form is ended by a line whose first character is "*". Memory grows with
/// the largest form, never with the file.
///   "A\r\nB\r\n*\r\n"   => one form of lines "A", "B"
///   "A\rB\n*x\r"        => one form of lines "A", "B\n"
///   "*\r*\r"            => two forms without lines
///   "A\r\n" (no "*")    => no form
/// A form may hold at most maxFormBytes bytes, line ends included; memory stays near the size
/// of the largest form read.
class FormReader {
public:
    enum class Status { Form, End, Malformed, ReadError, TooLarge, NoMemory };

    /// The most one form may hold: far above any real form, low enough that an endless line
    /// (a device, or a file with a huge hole) ends with a message rather than all memory.
    static constexpr std::size_t kMaxFormBytes = std::size_t{1} << 30;

    /// The size of one read.
    static constexpr std::size_t kBlockSize = std::size_t{1} << 20;

    explicit FormReader(InputFile& file, std::size_t blockSize = kBlockSize, std::size_t maxFormBytes = kMaxFormBytes);

    /// Reads the next form into form. Malformed when a form (or the lines after the last
    /// terminator) passes 201 lines; ReadError with err filled when the file cannot be read;
    /// TooLarge and NoMemory, with the reason in err, when a form passes maxFormBytes or its
    /// memory cannot be had.
    Status next(Form& form, std::string* err);
    /// Bytes taken from the file so far.
    std::uint64_t bytesRead() const { return m_bytesRead; }
    /// Bytes of memory the reader holds for forms.
    std::size_t capacity() const { return m_buffer.capacity(); }

private:
    static constexpr std::size_t kHeaderLines = Form::kFirstObservationLine;

    // The three steps of next(), in order; each returns a status to end next() with, or
    // nothing to go on with the next step.
    std::optional<Status> skipTerminatorRest(std::string* err);
    std::optional<Status> findFormEnd(std::string* err);
    void makeForm(Form& form) const;

    Status endOfFile(std::size_t lineEnds) const;
    bool startLine(std::string* err);
    bool fill(std::size_t keepFrom, std::string* err);

    InputFile& m_file;
    const scan::Kernels& m_scan;
    ByteBuffer m_buffer;
    std::size_t m_blockSize;
    std::size_t m_maxFormBytes;
    Status m_failure = Status::ReadError; // why the last fill failed
    std::size_t m_begin = 0;              // start of unread data
    std::size_t m_end = 0;                // end of valid data
    std::uint64_t m_bytesRead = 0;
    bool m_eof = false;
    bool m_skipLf = false;       // a CR ended the last line: an LF right after it belongs to it
    bool m_inTerminator = false; // the rest of the last terminator line is still to be skipped
    // The form found by findFormEnd: where its first line starts, its terminator line, its
    // number of lines and the line end of its line 9.
    std::size_t m_formStart = 0;
    std::size_t m_terminator = 0;
    std::size_t m_lines = 0;
    std::size_t m_headerEnd = 0;
};

} // namespace search

#endif // SEARCH_FORMREADER_H
