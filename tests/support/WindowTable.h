#pragma once

#include "Tickora.h"

#include <QAccessible>
#include <QFontMetricsF>
#include <QStandardItemModel>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QStringList>
#include <QTableView>

// The window's quote table, as tests and benchmarks reach it: through the form's object names.
inline QStandardItemModel* TableModel(const Tickora& window)
{
    return qobject_cast<QStandardItemModel*>(window.findChild<QTableView*>("tableView")->model());
}

// The code column, top to bottom.
inline QStringList TableCodes(const Tickora& window)
{
    QStringList codes;
    const QStandardItemModel* pModel = TableModel(window);
    for (int nRow = 0; nRow < pModel->rowCount(); ++nRow)
        codes << pModel->item(nRow, 0)->text();
    return codes;
}

// The four cells of a row, left to right.
inline QStringList TableRow(const Tickora& window, int nRow)
{
    QStringList cells;
    for (int nColumn = 0; nColumn < 4; ++nColumn)
        cells << TableModel(window)->item(nRow, nColumn)->text();
    return cells;
}

// What a screen reader reads beside a cell's text.
inline QString CellDescription(const Tickora& window, int nRow, int nColumn)
{
    QAccessibleInterface* pTable = QAccessible::queryAccessibleInterface(window.findChild<QTableView*>("tableView"));
    return pTable->tableInterface()->cellAt(nRow, nColumn)->text(QAccessible::Description);
}

// Replaces the table with one row per code, made as the window makes its rows.
inline void FillTable(const Tickora& window, const QStringList& codes)
{
    QStandardItemModel* pModel = TableModel(window);
    pModel->removeRows(0, pModel->rowCount());
    for (int nRow = 0; nRow < codes.size(); ++nRow) {
        pModel->setItem(nRow, 0, new QStandardItem(codes[nRow]));
        for (int nColumn = 1; nColumn < 4; ++nColumn) {
            auto* pItem = new QStandardItem();
            pItem->setEditable(false);
            pModel->setItem(nRow, nColumn, pItem);
        }
    }
}

// The widest row the table must show whole, written as the service would deliver it (code
// 600519, a name of four Chinese characters, price 8888.888, a change of -10.00%), with 20 more
// rows and the entry row behind it, so that the vertical scroll bar takes its width.
inline void FillWithWidestRow(Tickora& window)
{
    QStringList codes{"600519"};
    for (int nRow = 0; nRow < 20; ++nRow)
        codes << QString::number(300001 + nRow);
    FillTable(window, codes << QString());
    window.HandleCatchResult(
        QString::fromUtf8("var hq_str_sh600519=\"贵州茅台,9876.542,9876.542,8888.888,0,0\";"));
}

// Whether a text fits, on one line, the rectangle the view's style gives the text of a cell:
// the item's text area less the margins the style keeps when it draws (and elides) the text.
inline bool TextFits(const QTableView& view, const QRect& cell, const QString& sText)
{
    QStyleOptionViewItem option;
    option.initFrom(&view);
    option.rect = cell;
    option.font = view.font();
    option.fontMetrics = QFontMetrics(view.font());
    option.text = sText;
    option.features = QStyleOptionViewItem::HasDisplay;
    option.widget = &view;
    const QRect text = view.style()->subElementRect(QStyle::SE_ItemViewItemText, &option, &view);
    const int nMargin = view.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &view) + 1;
    return QFontMetricsF(view.font()).horizontalAdvance(sText) <= text.width() - 2 * nMargin;
}

inline bool TextFitsCell(const QTableView& view, const QModelIndex& index)
{
    return TextFits(view, view.visualRect(index), index.data().toString());
}
