#pragma once

#include "CCatchThread.h"
#include "StockQuote.h"
#include "ui_Tickora.h"

#include <QAbstractItemDelegate>
#include <QAccessible>
#include <QMainWindow>

class QAction;
class QMenu;
class QStandardItem;
class QStandardItemModel;
class QTimer;

// The main window: the quote table the user types codes into, the once-a-second poll that
// hands the codes to the fetch worker, and the cells each response fills.
class Tickora : public QMainWindow
{
    Q_OBJECT

public:
    Tickora();
    ~Tickora() override;

    // Appends an entry row when the last row holds a code.
    void AddEmptyRow();
    // The codes of the table, each with its market prefix and a trailing ",".
    QString CodeList() const;

public slots: // NOLINT(readability-redundant-access-specifiers): moc's marker for the slots below
    // Declared in this order on purpose: it is the window's slot table.
    void HandleCatchResult(QString str);
    void MenuChoice(QAction* pAction);
    void ReghtMenuQpoint(const QPoint& qp);
    void setSliderValue(int nValue);
    void TimerTimeOut();
    void TableViewDClick(const QModelIndex& index);
    void EditCompleteSlot(QWidget* editor, QAbstractItemDelegate::EndEditHint hint);
    void MyItemChangedMethod(QStandardItem* sItem);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void ApplyQuote(StockQuote quote);
    void ClearQuote(int nRow);
    void SetCellText(QStandardItem* pItem, const QString& sText) const;
    void SetCellDescription(QStandardItem* pItem, const QString& sDescription) const;
    void Announce(const QModelIndex& index, QAccessible::Event event) const;
    QStandardItemModel* Model() const;

    CCatchThread catchThread;
    qint32 nContextRow = -1;
    Ui::TickoraClass ui;
    QTimer* pTimer = nullptr;
    QMenu* pMenu = nullptr;
    QAction* pDeleteAction = nullptr;
};
