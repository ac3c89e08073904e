#include "Tickora.h"

#include "CurrentCellDelegate.h"
#include "QuoteCodec.h"
#include "QuoteText.h"
#include "TableFit.h"

#include <QAccessible>
#include <QApplication>
#include <QBrush>
#include <QColor>
#include <QCursor>
#include <QHeaderView>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QStandardItemModel>
#include <QTextCodec>
#include <QTimer>

#include <initializer_list>
#include <utility>

namespace {

const QString kDeleteText = QStringLiteral("删除");
// An empty code cell looks like any empty cell; a screen reader says what it is for.
const QString kEmptyCodeDescription = QStringLiteral("输入股票代码，按回车添加");

QStandardItem* NewItem(const QString& sText, bool bEditable)
{
    auto* pItem = new QStandardItem(sText);
    pItem->setEditable(bEditable);
    // Nothing acts on a selection, and a screen reader calls a selectable cell "not selected"
    // each time it reads one; CurrentCellDelegate shows the current cell instead.
    pItem->setSelectable(false);
    return pItem;
}

// What the change cell's colour says, in words; nothing where no change can be shown.
QString ChangeDescription(float dChange, const QString& sChange)
{
    if (sChange == QLatin1String("--"))
        return {};
    if (dChange < 0)
        return QStringLiteral("下跌");
    return dChange > 0 ? QStringLiteral("上涨") : QStringLiteral("平盘");
}

} // namespace

Tickora::Tickora()
    : QMainWindow(nullptr)
    , catchThread(nullptr)
{
    qRegisterMetaType<QAction*>("QAction*");
    qRegisterMetaType<QWidget*>("QWidget*");

    ui.setupUi(this);
    ui.tableView->resize(width(), height());

    ui.tableView->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);

    // No parent: the view does not own a model it is given; the destructor releases it.
    auto* pModel = new QStandardItemModel();
    pModel->setHorizontalHeaderLabels(
        tr("代码,名称,价格,涨幅").simplified().split(",", Qt::KeepEmptyParts, Qt::CaseSensitive));

    ui.tableView->setShowGrid(true);
    ui.tableView->setGridStyle(Qt::DotLine);

    pModel->setItem(0, 0, NewItem(QStringLiteral("600519"), true));
    for (int nColumn = 1; nColumn < 4; ++nColumn)
        pModel->setItem(0, nColumn, NewItem(QString(), false));

    ui.tableView->setModel(pModel);
    ui.tableView->show();

    // Range and value before the connection, so that construction leaves the window opaque.
    ui.horizontalSlider->setMinimum(1);
    ui.horizontalSlider->setMaximum(10);
    ui.horizontalSlider->setSingleStep(1);
    ui.horizontalSlider->setValue(10);

    ui.tableView->setItemDelegate(new CurrentCellDelegate(ui.tableView));
    connect(ui.tableView->itemDelegate(), &QAbstractItemDelegate::closeEditor, this, &Tickora::EditCompleteSlot);
    connect(pModel, &QStandardItemModel::itemChanged, this, &Tickora::MyItemChangedMethod);
    connect(ui.tableView, &QTableView::doubleClicked, this, &Tickora::TableViewDClick);
    connect(ui.horizontalSlider, &QSlider::valueChanged, this, &Tickora::setSliderValue);

    pTimer = new QTimer(this);
    connect(pTimer, &QTimer::timeout, this, &Tickora::TimerTimeOut);
    pTimer->start(1000);
    // Between the last window's close and the event loop's end a tick could still start a
    // sweep, which the closing program would then wait for: no sweep starts once it is closed.
    connect(qApp, &QGuiApplication::lastWindowClosed, pTimer, &QTimer::stop);

    // No parent for the menu either; the destructor releases it.
    pMenu = new QMenu();
    pDeleteAction = new QAction(kDeleteText, this);
    pMenu->addAction(pDeleteAction);

    ui.tableView->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ui.tableView, &QWidget::customContextMenuRequested, this, &Tickora::ReghtMenuQpoint);
    connect(pMenu, &QMenu::triggered, this, &Tickora::MenuChoice);

    AddEmptyRow();

    catchThread.StartCatch();
    // The signal comes from the worker thread, so this delivers queued, on this thread.
    connect(&catchThread, &CCatchThread::notifyResult, this, &Tickora::HandleCatchResult);

    // Owned by the view; sizes the table's font to the fixed width once the window is laid out.
    new TableFit(ui.tableView);

    // Qt tells a screen reader that the table took the focus, but names a cell only when the
    // current one moves: name it once the table's own announcement is out, hence queued.
    connect(
        qApp, &QApplication::focusChanged, this,
        [this](const QWidget*, const QWidget* pNow) {
            if (pNow == ui.tableView && ui.tableView->hasFocus())
                Announce(ui.tableView->currentIndex(), QAccessible::Focus);
        },
        Qt::QueuedConnection);

    setAttribute(Qt::WA_TransparentForMouseEvents);
}

Tickora::~Tickora()
{
    // From here on this is no longer a whole Tickora, yet the widgets still to be destroyed
    // can signal: an open editor's closeEditor fires from the view's destructor, the model's
    // itemChanged while it goes. Cut every connection into this window first.
    for (QObject* pSender : std::initializer_list<QObject*>{ui.tableView->itemDelegate(), ui.tableView,
                                                            ui.tableView->model(), ui.horizontalSlider,
                                                            pTimer, pMenu, &catchThread, qApp})
        QObject::disconnect(pSender, nullptr, this, nullptr);

    // A sweep in progress is allowed to finish; each of its requests is bounded by time-outs.
    catchThread.SetState(CatchQuit);
    catchThread.quit();
    catchThread.wait();

    delete pMenu;
    delete Model();
}

QStandardItemModel* Tickora::Model() const
{
    return qobject_cast<QStandardItemModel*>(ui.tableView->model());
}

void Tickora::AddEmptyRow()
{
    QStandardItemModel* pModel = Model();
    const int nRows = pModel->rowCount();
    if (nRows == 0)
        return;
    const QStandardItem* pLast = pModel->item(nRows - 1, 0);
    if (!pLast || pLast->text().isEmpty())
        return;
    pModel->setItem(nRows, 0, NewItem(QString(), true));
    for (int nColumn = 1; nColumn < 4; ++nColumn)
        pModel->setItem(nRows, nColumn, NewItem(QString(), false));
}

QString Tickora::CodeList() const
{
    const QStandardItemModel* pModel = Model();
    QString sList;
    for (int nRow = 0; nRow < pModel->rowCount(); ++nRow) {
        const QStandardItem* pItem = pModel->item(nRow, 0);
        const QString sCode = pItem ? pItem->text() : QString();
        if (sCode.isEmpty())
            continue;
        // Shanghai codes start with 6; everything else is taken for Shenzhen.
        sList += sCode.indexOf(QLatin1String("6")) == 0 ? QLatin1String("sh") : QLatin1String("sz");
        sList += sCode;
        sList += QLatin1Char(',');
    }
    return sList;
}

void Tickora::TimerTimeOut()
{
    catchThread.SetCodeList(CodeList());
}

// NOLINTNEXTLINE(performance-unnecessary-value-param): the slot's signature takes the text by value
void Tickora::HandleCatchResult(QString str)
{
    // Back to the service's own bytes, up to the first NUL, the form the cutting works on.
    const QByteArray bytes = QuoteCodec()->fromUnicode(str);
    StockQuote quote;
    if (CutQuote(std::string(bytes.constData()), quote))
        ApplyQuote(std::move(quote));
}

// NOLINTNEXTLINE(performance-unnecessary-value-param): the record is handed over, moved in by its one caller
void Tickora::ApplyQuote(StockQuote quote)
{
    QStandardItemModel* pModel = Model();
    const int nRows = pModel->rowCount();
    const QString sName = QuoteCodec()->toUnicode(quote.sName.c_str());
    const QString sPrice = QuoteCodec()->toUnicode(quote.sPrice.c_str());
    const QString sChange = QString::fromStdString(ChangeText(quote.dChange));
    const QString sDescription = ChangeDescription(quote.dChange, sChange);
    // The test is on the ratio itself: -0.001% is shown as -0.00% and coloured as a fall.
    const QBrush background(quote.dChange < 0 ? QColor(127, 255, 0) : QColor(255, 97, 0));
    // Both backgrounds are light: the desktop's text colour, near white on a dark desktop,
    // would vanish on them, so the change is always written in black (7:1 and 16:1).
    const QBrush foreground(QColor(0, 0, 0));

    for (int nRow = 0; nRow < nRows; ++nRow) {
        QStandardItem* pCode = pModel->item(nRow, 0);
        if (!pCode)
            continue;
        const std::string sCell = pCode->text().toStdString();
        // A plain substring test: 600519, 519 and sh600519 all match sh600519.
        if (sCell.empty() || quote.sCode.find(sCell) == std::string::npos)
            continue;
        QStandardItem* pName = pModel->item(nRow, 1);
        QStandardItem* pPrice = pModel->item(nRow, 2);
        QStandardItem* pChange = pModel->item(nRow, 3);
        if (!pName || !pPrice || !pChange)
            continue;
        SetCellText(pName, sName);
        SetCellText(pPrice, sPrice);
        SetCellText(pChange, sChange);
        pChange->setBackground(background);
        pChange->setForeground(foreground);
        SetCellDescription(pChange, sDescription);
    }
}

// A screen reader hears of a cell only when its text really changed: a table of many rows
// must not flood it every second.
void Tickora::SetCellText(QStandardItem* pItem, const QString& sText) const
{
    if (pItem->text() == sText)
        return;
    pItem->setText(sText);
    Announce(pItem->index(), QAccessible::NameChanged);
}

void Tickora::SetCellDescription(QStandardItem* pItem, const QString& sDescription) const
{
    if (pItem->data(Qt::AccessibleDescriptionRole).toString() == sDescription)
        return;
    pItem->setData(sDescription.isEmpty() ? QVariant() : QVariant(sDescription), Qt::AccessibleDescriptionRole);
    Announce(pItem->index(), QAccessible::DescriptionChanged);
}

// Qt's item views tell assistive technology only that their model changed; a cell's own news
// is sent the way Qt's widgets send theirs. Nothing is built while no one listens.
void Tickora::Announce(const QModelIndex& index, QAccessible::Event event) const
{
    if (!index.isValid() || !QAccessible::isActive())
        return;
    QAccessibleInterface* pTable = QAccessible::queryAccessibleInterface(ui.tableView);
    QAccessibleTableInterface* pCells = pTable ? pTable->tableInterface() : nullptr;
    QAccessibleInterface* pCell = pCells ? pCells->cellAt(index.row(), index.column()) : nullptr;
    if (!pCell)
        return;
    QAccessibleEvent accessibleEvent(pCell, event);
    QAccessible::updateAccessibility(&accessibleEvent);
}

// A code the user changed must not stand beside the previous share's name and price: the row
// shows nothing until the new code's own quote arrives.
void Tickora::ClearQuote(int nRow)
{
    QStandardItemModel* pModel = Model();
    for (int nColumn = 1; nColumn < 4; ++nColumn) {
        QStandardItem* pItem = pModel->item(nRow, nColumn);
        if (!pItem)
            continue;
        SetCellText(pItem, QString());
        pItem->setData(QVariant(), Qt::BackgroundRole);
        pItem->setData(QVariant(), Qt::ForegroundRole);
        SetCellDescription(pItem, QString());
    }
}

void Tickora::ReghtMenuQpoint(const QPoint& qp)
{
    nContextRow = ui.tableView->indexAt(qp).row();
    pMenu->exec(QCursor::pos());
}

void Tickora::MenuChoice(QAction* pAction)
{
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("提示"), QStringLiteral("是否删除本行数据?"),
                    QMessageBox::Yes | QMessageBox::No, nullptr,
                    Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    if (box.exec() != QMessageBox::Yes)
        return;
    if (pAction && pAction->text() == kDeleteText && nContextRow >= 0 && nContextRow < Model()->rowCount())
        Model()->removeRow(nContextRow, QModelIndex());
}

void Tickora::setSliderValue(int nValue)
{
    setWindowOpacity(nValue / 10.0);
}

// NOLINTNEXTLINE(readability-convert-member-functions-to-static): a slot of the window's slot table
void Tickora::TableViewDClick(const QModelIndex& index)
{
    Q_UNUSED(index);
}

void Tickora::EditCompleteSlot(QWidget* editor, QAbstractItemDelegate::EndEditHint hint)
{
    Q_UNUSED(editor);
    AddEmptyRow();
    // Enter (the only key that ends an edit with this hint) moves down, as in a spreadsheet:
    // from the entry row onto the new one, so the next code typed adds the next row.
    if (hint != QAbstractItemDelegate::SubmitModelCache)
        return;
    const QModelIndex current = ui.tableView->currentIndex();
    const QModelIndex below = current.sibling(current.row() + 1, 0);
    if (below.isValid())
        ui.tableView->setCurrentIndex(below);
}

void Tickora::MyItemChangedMethod(QStandardItem* sItem)
{
    // The model reports every code cell it receives, and a code cell only when its text really
    // changed, so committing the same code again keeps the row; here alone a code cell's
    // description follows its text. The cells of a quote are columns 1 to 3 and clear nothing.
    if (!sItem || sItem->column() != 0 || sItem->parent())
        return;
    ClearQuote(sItem->row());
    SetCellDescription(sItem, sItem->text().isEmpty() ? kEmptyCodeDescription : QString());
}

// cppcheck-suppress unusedFunction ; Qt calls it, an override
void Tickora::paintEvent(QPaintEvent* event)
{
    Q_UNUSED(event);
    QPainter painter(this);
}
