#pragma once

#include "WhenShown.h"

#include <QAbstractItemView>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QtTest>

// What a user does to the quote table, in-process: answer the deletion prompt, pick "删除"
// from the context menu, type a code into a cell.
inline void AnswerBox(QMessageBox::StandardButton answer)
{
    WhenShown<QMessageBox>([answer](QMessageBox* pBox) { pBox->button(answer)->click(); });
}

inline void ChooseDelete()
{
    WhenShown<QMenu>([](QMenu* pMenu) {
        pMenu->setActiveAction(pMenu->actions().value(0));
        QTest::keyClick(pMenu, Qt::Key_Return);
    });
}

// Makes the cell current and opens its editor, as a user does, replaces its text (an empty
// text clears it) and ends with nKey. Fails the test when no editor opens or it does not close.
inline void EditCell(QAbstractItemView& view, const QModelIndex& index, const QString& sText,
                     Qt::Key nKey = Qt::Key_Return)
{
    view.setCurrentIndex(index);
    view.edit(index);
    QPointer<QLineEdit> pEditor = view.viewport()->findChild<QLineEdit*>();
    QVERIFY2(pEditor, "the cell opens an editor");
    pEditor->selectAll();
    if (sText.isEmpty())
        QTest::keyClick(pEditor, Qt::Key_Delete);
    else
        QTest::keyClicks(pEditor, sText);
    QTest::keyClick(pEditor, nKey);
    // The delegate commits and closes on its next turn of the event loop.
    QTRY_VERIFY2(pEditor.isNull(), "the editor closes");
}
