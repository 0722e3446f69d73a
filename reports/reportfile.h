// One output file of a run with the writes the reports need: plain, HTML-escaped, blanked.
#ifndef REPORTS_REPORTFILE_H
#define REPORTS_REPORTFILE_H

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "reports/htmltext.h"
#include "search/filesystem.h"

namespace reports {

/// Wraps a buffered output file. Failures stay with the file (see search::OutputFile).
class ReportFile {
public:
    explicit ReportFile(std::unique_ptr<search::OutputFile> file) : m_file(std::move(file)) {}

    void put(std::string_view text) { m_file->put(text); }
    void put(char c) { m_file->put(c); }
    /// Text and the line end CR LF.
    void line(std::string_view text) { m_file->line(text); }
    /// Text with "&", "<" and ">" written as HTML entities.
    void putEscaped(std::string_view text) {
        escapeHtml(text, [this](std::string_view piece) { m_file->put(piece); });
    }
    void lineEscaped(std::string_view text) {
        putEscaped(text);
        m_file->put(std::string_view("\r\n", 2));
    }
    /// Text with every "^" written as a blank ("blanking"), HTML-escaped when escape is set.
    void putBlanked(std::string_view text, bool escape);

    bool failed() const { return m_file->failed(); }
    /// The bytes written so far: where the next one will stand.
    std::uint64_t size() const { return m_file->size(); }
    /// The bytes handed to the system: what another reader of the file finds.
    std::uint64_t written() const { return m_file->written(); }
    const std::string& error() const { return m_file->error(); }
    bool close(std::string* err) { return m_file->close(err); }
    bool closeDurably(std::string* err) { return m_file->closeDurably(err); }

private:
    std::unique_ptr<search::OutputFile> m_file;
};

} // namespace reports

#endif // REPORTS_REPORTFILE_H
