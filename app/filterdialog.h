// The filters of a search beside the ten criteria: cruise dates, a box and exact squares.
#ifndef APP_FILTERDIALOG_H
#define APP_FILTERDIALOG_H

#include <QDialog>
#include <QString>

#include "search/formfilters.h"

class QLineEdit;
class MessageBoxes;

namespace app {

/// The filters as typed, one text a field; all empty is no filter.
struct FilterTexts {
    QString from, to;                 // YYYY-MM-DD
    QString west, south, east, north; // decimal degrees
    QString squares;                  // numbers, commas or blanks between them

    bool any() const;
    bool operator==(const FilterTexts&) const = default;
};

/// The filters of texts, read by the same rules as morvex-search's --from, --to, --bbox and
/// --square; false with err naming the field when one is refused:
///   from "1995-13-01" => "Cruise dates from: 1995-13-01: not a calendar date written YYYY-MM-DD"
///   squares "183 999" => "Marsden squares: 999: not the number of a Marsden square (...)"
bool readFilters(const FilterTexts& texts, search::FormFilters* filters, QString* err);

/// "Filters": the dates, the box and the squares, each field with its access key. OK takes
/// the texts only when readFilters() does; else its message is shown and the dialog stays.
/// Clear empties every field.
class FilterDialog : public QDialog {
    Q_OBJECT

public:
    /// The part a menu item opens the dialog at.
    enum class Part { Dates, Box, Squares };

    FilterDialog(const FilterTexts& texts, MessageBoxes& messages, QWidget* parent = nullptr);

    /// Gives the first field of part the keyboard.
    void focusPart(Part part);
    FilterTexts texts() const;
    /// The filters of the texts taken (after OK).
    const search::FormFilters& filters() const { return m_filters; }

    void accept() override;

private:
    QLineEdit* field(const char* name, const QString& text, const QString& placeholder);

    MessageBoxes& m_messages;
    QLineEdit* m_from = nullptr;
    QLineEdit* m_to = nullptr;
    QLineEdit* m_west = nullptr;
    QLineEdit* m_south = nullptr;
    QLineEdit* m_east = nullptr;
    QLineEdit* m_north = nullptr;
    QLineEdit* m_squares = nullptr;
    search::FormFilters m_filters;
};

} // namespace app

#endif // APP_FILTERDIALOG_H
