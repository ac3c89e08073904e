#pragma once

#include <QStyledItemDelegate>

// Draws the current cell as a selected cell is drawn, while the view has the focus, so that the
// keyboard user sees where the cursor is in a table whose cells cannot be selected.
class CurrentCellDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* pOption, const QModelIndex& index) const override;
};
