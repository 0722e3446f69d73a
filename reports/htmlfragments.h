// The HTML pieces the report writers share.
#ifndef REPORTS_HTMLFRAGMENTS_H
#define REPORTS_HTMLFRAGMENTS_H

#include <string_view>

namespace reports {

inline constexpr std::string_view kTableOpening = R"(<TABLE CELLSPACING=0 WIDTH="90%" BORDER="1">)";
inline constexpr std::string_view kTableOpeningWithRow = R"(<TABLE CELLSPACING=0 WIDTH="90%" BORDER="1"><TR>)";
inline constexpr std::string_view kBannerCell = R"(<TR><TD WIDTH="687" COLSPAN="2" BGCOLOR="#33CC99">)";
inline constexpr std::string_view kLabelCell = R"(<TR><TD WIDTH="219" BGCOLOR="#33CC99">)";
inline constexpr std::string_view kValueCell = R"(</TD><TD WIDTH="468" BGCOLOR="#3399CC" VALIGN="TOP">)";
inline constexpr std::string_view kRowEnd = "<BR></TD></TR><TR>";

inline constexpr std::string_view kStatsLabelCell = R"(<TR><TD WIDTH="119" BGCOLOR="#33CC99">)";
inline constexpr std::string_view kStatsValueCell = R"(</TD><TD WIDTH="568" BGCOLOR="#3399CC" VALIGN="TOP">)";
inline constexpr std::string_view kStatsRowEnd = "</TD></TR><TR>";

/// Number of summary table columns.
inline constexpr int kSummaryColumns = 8;

/// Heading cell of summary column n (1 to 8).
std::string_view headingCell(int column);
/// Row cell of summary column n (1 to 8).
std::string_view rowCell(int column);
/// Heading text of summary column n (1 to 8).
std::string_view headingText(int column);

} // namespace reports

#endif // REPORTS_HTMLFRAGMENTS_H
