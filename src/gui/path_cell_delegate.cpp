#include "gui/path_cell_delegate.h"

#include <QApplication>
#include <QPainter>

namespace vestrel::gui {

namespace {

const QString kSeparator = QStringLiteral(" >> ");
constexpr int kTextMargin = 3;

}  // namespace

void TPathCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const {
    QStyleOptionViewItem cell = option;
    initStyleOption(&cell, index);
    const QString text = cell.text;
    if (!text.contains(kSeparator)) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    cell.text.clear();
    QStyle* style = cell.widget != nullptr ? cell.widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, cell.widget);

    painter->save();
    painter->setClipRect(cell.rect);
    const bool selected = cell.state & QStyle::State_Selected;
    const QColor plain = cell.palette.color(selected ? QPalette::HighlightedText : QPalette::Text);
    QFont bold = cell.font;
    bold.setBold(true);
    int x = cell.rect.left() + kTextMargin;
    const int baseline = cell.rect.top() + (cell.rect.height() + QFontMetrics(cell.font).ascent() -
                                            QFontMetrics(cell.font).descent()) /
                                               2;
    const QStringList steps = text.split(kSeparator);
    for (qsizetype i = 0; i < steps.size(); ++i) {
        if (i > 0) {
            painter->setFont(bold);
            painter->setPen(QColor(255, 0, 0));
            const QString mark = QStringLiteral(" >> ");
            painter->drawText(x, baseline, mark);
            x += QFontMetrics(bold).horizontalAdvance(mark);
        }
        painter->setFont(cell.font);
        painter->setPen(plain);
        painter->drawText(x, baseline, steps[i]);
        x += QFontMetrics(cell.font).horizontalAdvance(steps[i]);
        if (x > cell.rect.right()) break;
    }
    painter->restore();
}

}  // namespace vestrel::gui
