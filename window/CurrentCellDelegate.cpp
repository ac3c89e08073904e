#include "CurrentCellDelegate.h"

#include <QStyle>

void CurrentCellDelegate::initStyleOption(QStyleOptionViewItem* pOption, const QModelIndex& index) const
{
    QStyledItemDelegate::initStyleOption(pOption, index);
    // The view marks its current cell with the focus only while it has the focus itself.
    if (pOption->state & QStyle::State_HasFocus)
        pOption->state |= QStyle::State_Selected;
}
