// Draws the cells of the results table and gives a cut cell its whole text as a tooltip.
#include "app/celldelegate.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QHelpEvent>
#include <QStyle>
#include <QToolTip>

#include "app/resultmodel.h"

namespace app {

int CellDelegate::textMargins(const QWidget* view) {
    // As the style lays out an item view's text: a margin of the focus frame and one pixel each
    // side; then the grid line of a table, and a pixel for the text's own rounding.
    const QStyle* style = view ? view->style() : QApplication::style();
    return 2 * (style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1) + 2;
}

bool CellDelegate::showsWhole(const QStyleOptionViewItem& option, const QModelIndex& index) {
    const QString whole = index.data(ResultModel::kWholeTextRole).toString();
    const QString shown = index.data(Qt::DisplayRole).toString();
    if (shown != whole) return false;
    return option.fontMetrics.horizontalAdvance(whole) <= option.rect.width() + 1 - textMargins(option.widget);
}

bool CellDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                             const QModelIndex& index) {
    if (event->type() != QEvent::ToolTip || !index.isValid())
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    if (showsWhole(option, index)) {
        QToolTip::hideText();
        return true;
    }
    // Rich text, so that a long text wraps instead of running off the screen.
    const QString whole = index.data(ResultModel::kWholeTextRole).toString();
    QToolTip::showText(event->globalPos(),
                       QStringLiteral("<p style=\"white-space:pre-wrap\">") + whole.toHtmlEscaped() +
                           QStringLiteral("</p>"),
                       view->viewport(), option.rect);
    return true;
}

} // namespace app
