#pragma once

#include <QStyledItemDelegate>

// Draws the current cell as a selected cell is drawn, so that the user sees where the cursor is,
// and which row a deletion removes, in a table whose cells cannot be selected: in the active
// selection colour while the view has the focus, in the inactive one otherwise.
class CurrentCellDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* pOption, const QModelIndex& index) const override;
};
