// One output file of a run with the writes the reports need.
#include "reports/reportfile.h"

namespace reports {

void ReportFile::putBlanked(std::string_view text, bool escape) {
    for (;;) {
        const std::size_t sep = text.find('^');
        const std::string_view piece = text.substr(0, sep);
        escape ? putEscaped(piece) : put(piece);
        if (sep == std::string_view::npos) return;
        put(' ');
        text.remove_prefix(sep + 1);
    }
}

} // namespace reports
