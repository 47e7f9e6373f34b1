// The paths table's first column: the " >> " separators between the steps of a path are drawn in
// bold red, so the steps stand out.
#pragma once

#include <QStyledItemDelegate>

namespace vestrel::gui {

class TPathCellDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
};

}  // namespace vestrel::gui
