#include "CurrentCellDelegate.h"

#include <QAbstractItemView>
#include <QStyle>

void CurrentCellDelegate::initStyleOption(QStyleOptionViewItem* pOption, const QModelIndex& index) const
{
    QStyledItemDelegate::initStyleOption(pOption, index);
    // The view marks its current cell with the focus only while it has the focus itself.
    if (pOption->state & QStyle::State_HasFocus) {
        pOption->state |= QStyle::State_Selected;
        return;
    }
    // Without the focus (on the slider, or under the context menu and the deletion prompt) the
    // current cell is still the one a command acts on: drawn as an inactive selection.
    const auto* pView = qobject_cast<const QAbstractItemView*>(pOption->widget);
    if (pView && index.isValid() && index == pView->currentIndex()) {
        pOption->state |= QStyle::State_Selected;
        pOption->state &= ~QStyle::State_Active;
    }
}
