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

constexpr std::array<const char*, 10> kCriterionItems = {
    "Project Name",       "Country",         "Area",
    "Operating Agency",   "Month",           "Cruise Name",
    "Ship/Platform Name", "Chief Scientist", "Queries Contact",
    "Observation Type"};

constexpr std::array<const char*, 10> kFieldHelp = {
    "Enter Project Name(s)or select by clicking on 'Projects' on menu bar.",
    "Enter Country(s)or select by clicking on 'Country' on menu bar.",
    "Enter Area(s)or select by clicking on 'Areas' on menu bar.",
    "Enter Operating Agency(s)or select by clicking on 'Operating Agency' on menu bar.",
    "Enter Month(s)or select by clicking on 'Month' on menu bar.",
    "Enter Cruise Name(s)- This field also include keywords from cruise objectives.",
    "Enter Ship/Platform(s)or select by clicking on 'Ship/Platform Name' on menu bar.",
    "Enter Chief Scientist(s)name.",
    "Enter Query Contact(s)- eg a person responsible for the analysis of a data type.",
    "Enter Parameter code(s)or select by clicking on 'Parameter codes' on menu bar."};
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

constexpr const char* kLatin1Refusal = ": only characters of the Latin-1 set can be searched for";

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
    return pick(kCriterionItems, i);
}

QString fieldHelp(int i) {
    return pick(kFieldHelp, i) + QLatin1Char('\n') + QString::fromLatin1(kOrNote) + QLatin1Char('\n') +
           QString::fromLatin1(kSummaryHint);
}

QString viewCaption(int n) {
    return pick(kViewCaptions, n);
}
QString viewHelp(int n) {
    return pick(kViewHelp, n);
}
QString latin1Refusal(const QString& label) {
    return label + QString::fromLatin1(kLatin1Refusal);
}

QString selectionSummary(const QString& yearsLabel, const std::array<QString, 10>& fields,
                         search::DataHeld dataHeld) {
    QString summary = yearsLabel.isEmpty() ? QStringLiteral("NO <KER????.INF> files have been selected Yet!")
                                           : QStringLiteral("Files selected:-\n") + yearsLabel;
    QString criteria;
    int used = 0;
    for (int i = 0; i < 10; ++i) {
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
    return summary;
}

} // namespace app
