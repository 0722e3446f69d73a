// The filters of a search beside the ten criteria: cruise dates, a box and exact squares.
#include "app/filterdialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/textbridge.h"
#include "app/windowservices.h"
#include "search/cruisedates.h"

namespace app {

namespace {

std::string latin(const QString& text) {
    return text.trimmed().toStdString();
}

// A date of a field, or the field's message.
bool readDate(const QString& name, const QString& text, std::optional<search::CalendarDate>* date, QString* err) {
    if (text.trimmed().isEmpty()) return true;
    *date = search::parseIsoDate(latin(text));
    if (*date) return true;
    *err = name + QStringLiteral(": ") + text.trimmed() + QStringLiteral(": ") + QString::fromLatin1(search::kNotADate);
    return false;
}

bool readBox(const FilterTexts& texts, search::FormFilters* filters, QString* err) {
    const QString edges[] = {texts.west, texts.south, texts.east, texts.north};
    int given = 0;
    for (const QString& edge : edges)
        given += edge.trimmed().isEmpty() ? 0 : 1;
    if (given == 0) return true;
    if (given < 4) {
        *err = QStringLiteral("Box: give all four edges (west, south, east, north) or none");
        return false;
    }
    std::string text;
    for (const QString& edge : edges) {
        if (!text.empty()) text += ',';
        text += latin(edge);
    }
    search::GeoBox box;
    std::string why;
    if (!search::parseGeoBox(text, &box, &why)) {
        *err = QStringLiteral("Box: ") + QString::fromStdString(why);
        return false;
    }
    filters->box = box;
    return true;
}

} // namespace

bool FilterTexts::any() const {
    for (const QString* text : {&from, &to, &west, &south, &east, &north, &squares})
        if (!text->trimmed().isEmpty()) return true;
    return false;
}

bool readFilters(const FilterTexts& texts, search::FormFilters* filters, QString* err) {
    search::FormFilters read;
    if (!readDate(QStringLiteral("Cruise dates from"), texts.from, &read.from, err) ||
        !readDate(QStringLiteral("Cruise dates to"), texts.to, &read.to, err))
        return false;
    if (read.from && read.to && *read.to < *read.from) {
        *err =
            QString::fromStdString(search::datesApart("Cruise dates from", latin(texts.from), "to", latin(texts.to)));
        return false;
    }
    if (!readBox(texts, &read, err)) return false;
    std::string bad;
    if (!search::parseSquares(toBytesLossy(texts.squares), true, &read.squares, &bad)) {
        *err = QStringLiteral("Marsden squares: ") + fromBytes(bad) + QStringLiteral(": ") +
               QString::fromLatin1(search::kNotASquare);
        return false;
    }
    *filters = std::move(read);
    return true;
}

FilterDialog::FilterDialog(const FilterTexts& texts, MessageBoxes& messages, QWidget* parent)
    : QDialog(parent), m_messages(messages) {
    setObjectName(QStringLiteral("filterDialog"));
    setWindowTitle(QStringLiteral("Filters"));
    m_from = field("from", texts.from, QStringLiteral("YYYY-MM-DD"));
    m_to = field("to", texts.to, QStringLiteral("YYYY-MM-DD"));
    m_west = field("west", texts.west, QStringLiteral("-180 to 180"));
    m_south = field("south", texts.south, QStringLiteral("-90 to 90"));
    m_east = field("east", texts.east, QStringLiteral("-180 to 180"));
    m_north = field("north", texts.north, QStringLiteral("-90 to 90"));
    m_squares = field("squares", texts.squares, QStringLiteral("for example 183 184 217"));

    auto* dates = new QGroupBox(QStringLiteral("Cruise dates: the cruises that overlap them"), this);
    auto* dateForm = new QFormLayout(dates);
    dateForm->addRow(QStringLiteral("&From:"), m_from);
    dateForm->addRow(QStringLiteral("&To:"), m_to);
    auto* box = new QGroupBox(QStringLiteral("Box: the forms naming a square that overlaps it, in decimal degrees "
                                             "(west greater than east crosses the 180th meridian)"),
                              this);
    auto* boxForm = new QFormLayout(box);
    boxForm->addRow(QStringLiteral("&West:"), m_west);
    boxForm->addRow(QStringLiteral("&South:"), m_south);
    boxForm->addRow(QStringLiteral("&East:"), m_east);
    boxForm->addRow(QStringLiteral("&North:"), m_north);
    auto* squares = new QGroupBox(QStringLiteral("Marsden squares: the forms naming one of them by number"), this);
    auto* squareForm = new QFormLayout(squares);
    squareForm->addRow(QStringLiteral("S&quares:"), m_squares);
    for (QGroupBox* group : {dates, box, squares})
        group->setFlat(true);
    box->setMinimumWidth(box->fontMetrics().horizontalAdvance(box->title()) + 40);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    QPushButton* clear = buttons->addButton(QStringLiteral("&Clear"), QDialogButtonBox::ResetRole);
    clear->setObjectName(QStringLiteral("clear"));
    connect(clear, &QPushButton::clicked, this, [this] {
        for (QLineEdit* edit : {m_from, m_to, m_west, m_south, m_east, m_north, m_squares})
            edit->clear();
    });
    connect(buttons, &QDialogButtonBox::accepted, this, &FilterDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &FilterDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(dates);
    layout->addWidget(box);
    layout->addWidget(squares);
    layout->addWidget(buttons);
}

QLineEdit* FilterDialog::field(const char* name, const QString& text, const QString& placeholder) {
    auto* edit = new QLineEdit(text, this);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setPlaceholderText(placeholder);
    return edit;
}

void FilterDialog::focusPart(Part part) {
    QLineEdit* first = part == Part::Dates ? m_from : part == Part::Box ? m_west : m_squares;
    first->setFocus(Qt::OtherFocusReason);
    first->selectAll();
}

FilterTexts FilterDialog::texts() const {
    return FilterTexts{m_from->text(), m_to->text(),    m_west->text(),   m_south->text(),
                       m_east->text(), m_north->text(), m_squares->text()};
}

void FilterDialog::accept() {
    QString err;
    if (!readFilters(texts(), &m_filters, &err)) {
        m_messages.message(this, err);
        return;
    }
    QDialog::accept();
}

} // namespace app
