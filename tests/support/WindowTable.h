#pragma once

#include "Tickora.h"

#include <QStandardItemModel>
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
