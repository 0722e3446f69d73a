// The fixed texts of the main window and the assembly of its pop-up texts.
#ifndef APP_WINDOWTEXTS_H
#define APP_WINDOWTEXTS_H

#include <QString>

#include <array>
#include <string>
#include <vector>

#include "search/criteria.h"

namespace app {

/// The window caption, "KERVOS Search".
QString windowCaption();
/// The Escape prompt shown while a pick list is open, two lines.
QString escapePrompt();
/// The title box: the program, "ULMA", the contact address and the refresh address, four lines.
QString titleText();
/// Item i (0 to 9) of "&Search Criteria": 0 => "Project Name", 9 => "Observation Type".
QString criterionItem(int i);
/// The help box of criteria field i: its own line, the " OR " note and the pointer to the "?" sign.
QString fieldHelp(int i);
/// Caption of view button n (0 to 2): 0 => "View Headers in Browser".
QString viewCaption(int n);
/// The help box of view button n, lines joined by line feeds.
QString viewHelp(int n);
/// The refusal of a field holding a character that form files cannot hold, named by its label.
QString unsearchableRefusal(const QString& label);

/// A refused file choice: the window's own message (its error number), then on the next line
/// why, in the words of morvex-search, and for a file that is no form file what to do about it.
QString fileChoiceRefusal(const QString& message, const QString& reason, bool notFormFile);
/// The question before "Clear All Criteria" empties fields that hold text.
QString clearCriteriaQuestion();

/// The summary box of the "?" sign. With no files chosen, fields 1 and 6 used and data at ULMA:
///   "NO <KER????.INF> files have been selected Yet!\n"
///   "The following search criteria have been selected:-\n"
///   " 2: UK\n(AND) 7: Hudson\n\nOnly cruises with at least some data at ULMA."
/// The filters set, as the reports echo them, follow a line each.
QString selectionSummary(const QString& yearsLabel, const std::array<QString, search::kCriterionCount>& fields,
                         search::DataHeld dataHeld, const std::vector<std::string>& filters = {});

} // namespace app

#endif // APP_WINDOWTEXTS_H
