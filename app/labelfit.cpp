// Sizes labels so that their text is seen whole in the room they have.
#include "app/labelfit.h"

#include <QFontMetrics>
#include <QLabel>
#include <QStringList>
#include <QTextLayout>
#include <QTextOption>

namespace app {

namespace {

void setText(QLabel* label, const QString& text, bool wrapped) {
    label->setWordWrap(wrapped);
    label->setText(text);
    label->setToolTip(QString());
}

// Whether the wrapped text fits width by height, no word running past the edge.
bool fitsWrapped(const QLabel* label, int width, int height) {
    return label->minimumSizeHint().width() <= width && label->heightForWidth(width) <= height;
}

// The narrowest width from low to high at which the wrapped text fits height, or -1. Fewer
// lines need no less width, so the widths that fit are the ones from some width up.
int narrowest(const QLabel* label, int low, int high, int height) {
    if (low > high || !fitsWrapped(label, high, height)) return -1;
    while (low < high) {
        const int middle = low + (high - low) / 2;
        if (fitsWrapped(label, middle, height))
            high = middle;
        else
            low = middle + 1;
    }
    return high;
}

// The text cut into the lines it takes at width, line ends kept, long words broken.
QStringList wrappedLines(const QString& text, const QFont& font, int width) {
    QStringList lines;
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    for (const QString& paragraph : text.split(QLatin1Char('\n'))) {
        QTextLayout layout(paragraph, font);
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(width);
            lines << paragraph.mid(line.textStart(), line.textLength()).trimmed();
        }
        layout.endLayout();
        if (paragraph.isEmpty()) lines << QString();
    }
    return lines;
}

// As many lines as box holds, the last elided, the whole text in the tooltip.
void elide(QLabel* label, const QString& text, const QSize& box) {
    const QMargins contents = label->contentsMargins();
    const int inset = 2 * (label->margin() + label->frameWidth());
    const int width = box.width() - contents.left() - contents.right() - inset;
    const QStringList lines = wrappedLines(text, label->font(), width);
    const QFontMetrics metrics(label->font());
    for (qsizetype kept = lines.size(); kept >= 1; --kept) {
        QStringList shown = lines.first(kept - 1);
        shown << metrics.elidedText(lines.sliced(kept - 1).join(QLatin1Char(' ')), Qt::ElideRight, width);
        setText(label, shown.join(QLatin1Char('\n')), false);
        if (label->sizeHint().height() <= box.height()) break;
    }
    label->setToolTip(text);
    label->resize(box);
}

} // namespace

void fitCaption(QLabel* label, const QString& text, const QSize& room) {
    setText(label, text, false);
    const QSize natural = label->sizeHint();
    if (natural.width() <= room.width() && natural.height() <= room.height())
        label->resize(natural);
    else
        fitBox(label, text, QSize(0, 0), room);
}

void fitBox(QLabel* label, const QString& text, const QSize& least, const QSize& room) {
    setText(label, text, true);
    const QSize design = least.boundedTo(room);
    if (const int width = narrowest(label, design.width(), room.width(), design.height()); width > 0) {
        label->resize(width, design.height());
        return;
    }
    const int height = qMax(design.height(), label->heightForWidth(room.width()));
    if (const int width = narrowest(label, design.width(), room.width(), qMin(height, room.height()));
        width > 0) {
        label->resize(width, height);
        return;
    }
    elide(label, text, room);
}

} // namespace app
