// Draws the cells of the results table and gives a cut cell its whole text as a tooltip.
#ifndef APP_CELLDELEGATE_H
#define APP_CELLDELEGATE_H

#include <QStyledItemDelegate>

namespace app {

/// A cell shows what its column has room for; the whole text, which the model gives as
/// ResultModel::kWholeTextRole, is its tooltip when the cell does not show all of it (cut by
/// the model's limit or by the column's width), and no tooltip when it does.
class CellDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    /// Whether the text of index, drawn with option, is shown whole.
    static bool showsWhole(const QStyleOptionViewItem& option, const QModelIndex& index);
    /// The pixels a cell of view takes beside its text, both sides together.
    static int textMargins(const QWidget* view);

    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;
};

} // namespace app

#endif // APP_CELLDELEGATE_H
