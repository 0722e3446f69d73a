// The fixed texts of the main window and the assembly of its pop-up texts.
#include "app/windowtexts.h"

namespace app {

namespace {

constexpr const char* kCaption = "KERVOS Search";
constexpr const char* kEscapePrompt =
    "When finished making selections please press <ESC> to procede\n"
    "(If you do not wish to make any selection then click twice in box (select/deselect)";
constexpr const char* kTitle = "Morvex for Windows - Report production from KERVOS database\n"
                               "ULMA\n"
                               "kervos@ulma.example.org\n"
                               "Refresh database from: <http://www.ulma.example.org/ocean/kervos>";

constexpr const char* kOrNote = "Note: Multiple Entries can only be linked by < OR >";
constexpr const char* kSummaryHint = "To display all current selections made move mouse to the '?'";

constexpr std::array<const char*, 3> kViewCaptions = {"View Headers in Browser", "View Forms in Browser",
                                                      "View CSV Summary File in Editor"};
constexpr std::array<const char*, 3> kViewHelp = {
    "If you click now you will be able to view the Headers from\n"
    "your extraction via your internet browser. This will link you \n"
    "to individual forms\n"
    "Note: this file is written in html!!",
    "If you click now you will be able to view Kervos forms from\n"
    "your extraction. This file has links from the header file\n"
    "Note: This file is written in html!",
    "If you click now you will be able to view Ker3.txt from your \n"
    "default editor (normally NOTEPAD).\n"
    "Note1: If the file is too big for notepad, please procede manually!\n"
    "Note2: This file is a CSV file which is best viewed by importing to your\n"
    "Word Processor and use the 'converting text to table'function."};

constexpr const char* kUnsearchableRefusal =
    ": only characters of Windows-1252, the character set of form files, can be searched for";

constexpr const char* kImportHint = "; to read CSR XML records, import them first";
constexpr const char* kClearQuestion = "Empty all ten criteria fields and the filters? Their texts cannot be had back.";

template <std::size_t N> QString pick(const std::array<const char*, N>& texts, int i) {
    return i >= 0 && static_cast<std::size_t>(i) < N ? QString::fromLatin1(texts[static_cast<std::size_t>(i)])
                                                     : QString();
}

} // namespace

QString windowCaption() {
    return QString::fromLatin1(kCaption);
}
QString escapePrompt() {
    return QString::fromLatin1(kEscapePrompt);
}
QString titleText() {
    return QString::fromLatin1(kTitle);
}
QString criterionItem(int i) {
    if (i < 0 || i >= search::kCriterionCount) return {};
    const std::string_view item = search::kCriteria[static_cast<std::size_t>(i)].menuItem;
    return QString::fromLatin1(item.data(), static_cast<qsizetype>(item.size()));
}

QString fieldHelp(int i) {
    if (i < 0 || i >= search::kCriterionCount) return {};
    const std::string_view help = search::kCriteria[static_cast<std::size_t>(i)].fieldHelp;
    return QString::fromLatin1(help.data(), static_cast<qsizetype>(help.size())) + QLatin1Char('\n') +
           QString::fromLatin1(kOrNote) + QLatin1Char('\n') + QString::fromLatin1(kSummaryHint);
}

QString viewCaption(int n) {
    return pick(kViewCaptions, n);
}
QString viewHelp(int n) {
    return pick(kViewHelp, n);
}
QString unsearchableRefusal(const QString& label) {
    return label + QString::fromLatin1(kUnsearchableRefusal);
}

QString fileChoiceRefusal(const QString& message, const QString& reason, bool notFormFile) {
    if (reason.isEmpty()) return message;
    return message + QLatin1Char('\n') + reason + (notFormFile ? QString::fromLatin1(kImportHint) : QString());
}

QString clearCriteriaQuestion() {
    return QString::fromLatin1(kClearQuestion);
}

QString selectionSummary(const QString& yearsLabel, const std::array<QString, search::kCriterionCount>& fields,
                         search::DataHeld dataHeld, const std::vector<std::string>& filters) {
    QString summary = yearsLabel.isEmpty() ? QStringLiteral("NO <KER????.INF> files have been selected Yet!")
                                           : QStringLiteral("Files selected:-\n") + yearsLabel;
    QString criteria;
    int used = 0;
    for (int i = 0; i < search::kCriterionCount; ++i) {
        const QString& text = fields[static_cast<std::size_t>(i)];
        if (text.isEmpty()) continue;
        if (++used > 1) criteria += QStringLiteral("(AND)");
        criteria += QStringLiteral(" %1: ").arg(i + 1) + text + QLatin1Char('\n');
    }
    if (criteria.isEmpty())
        criteria = QStringLiteral("NO search criteria have been chosen!");
    else
        criteria = QStringLiteral("The following search criteria have been selected:-\n") + criteria;
    summary += QLatin1Char('\n') + criteria;
    if (dataHeld == search::DataHeld::AtUlma)
        summary += QStringLiteral("\nOnly cruises with at least some data at ULMA.");
    else if (dataHeld == search::DataHeld::NotAtUlma)
        summary += QStringLiteral("\nOnly cruises with NO data at ULMA.");
    for (const std::string& filter : filters)
        summary += QLatin1Char('\n') + QString::fromStdString(filter);
    return summary;
}

} // namespace app
