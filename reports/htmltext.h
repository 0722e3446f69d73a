// Text from forms and users made safe for the HTML reports.
#ifndef REPORTS_HTMLTEXT_H
#define REPORTS_HTMLTEXT_H

#include <cstddef>
#include <string>
#include <string_view>

namespace reports {

/// Position of the first "&", "<" or ">" in text, or its size when there is none.
std::size_t firstHtmlSpecial(std::string_view text);

/// Hands text to put in pieces, with "&", "<" and ">" replaced by their HTML entities:
/// "a<b" => put("a"), put("&lt;"), put("b").
template <class Put> void escapeHtml(std::string_view text, Put&& put) {
    std::size_t start = 0;
    for (std::size_t i = firstHtmlSpecial(text); i < text.size(); ++i) {
        const char c = text[i];
        if (c != '&' && c != '<' && c != '>') continue;
        if (i > start) put(text.substr(start, i - start));
        put(std::string_view(c == '&' ? "&amp;" : c == '<' ? "&lt;" : "&gt;"));
        start = i + 1;
    }
    if (start < text.size()) put(text.substr(start));
}

/// Appends text to out with "&", "<" and ">" written as entities.
void appendEscaped(std::string& out, std::string_view text);

} // namespace reports

#endif // REPORTS_HTMLTEXT_H
