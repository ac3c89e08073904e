#include "Tickora.h"

#include "QuoteCodec.h"
#include "QuoteText.h"
#include "TableFit.h"

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

QStandardItem* NewItem(const QString& sText, bool bEditable)
{
    auto* pItem = new QStandardItem(sText);
    pItem->setEditable(bEditable);
    return pItem;
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

    connect(ui.tableView->itemDelegate(), &QAbstractItemDelegate::closeEditor, this, &Tickora::EditCompleteSlot);
    connect(pModel, &QStandardItemModel::itemChanged, this, &Tickora::MyItemChangedMethod);
    connect(ui.tableView, &QTableView::doubleClicked, this, &Tickora::TableViewDClick);
    connect(ui.horizontalSlider, &QSlider::valueChanged, this, &Tickora::setSliderValue);

    pTimer = new QTimer(this);
    connect(pTimer, &QTimer::timeout, this, &Tickora::TimerTimeOut);
    pTimer->start(1000);

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

    setAttribute(Qt::WA_TransparentForMouseEvents);
}

Tickora::~Tickora()
{
    // From here on this is no longer a whole Tickora, yet the widgets still to be destroyed
    // can signal: an open editor's closeEditor fires from the view's destructor, the model's
    // itemChanged while it goes. Cut every connection into this window first.
    for (QObject* pSender : std::initializer_list<QObject*>{ui.tableView->itemDelegate(), ui.tableView,
                                                            ui.tableView->model(), ui.horizontalSlider,
                                                            pTimer, pMenu, &catchThread})
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

void Tickora::HandleCatchResult(QString str)
{
    // Back to the service's own bytes, up to the first NUL, the form the cutting works on.
    const QByteArray bytes = QuoteCodec()->fromUnicode(str);
    StockQuote quote;
    if (CutQuote(std::string(bytes.constData()), quote))
        ApplyQuote(std::move(quote));
}

void Tickora::ApplyQuote(StockQuote quote)
{
    QStandardItemModel* pModel = Model();
    const int nRows = pModel->rowCount();
    const QString sName = QuoteCodec()->toUnicode(quote.sName.c_str());
    const QString sPrice = QuoteCodec()->toUnicode(quote.sPrice.c_str());
    const QString sChange = QString::fromStdString(ChangeText(quote.dChange));
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
        pName->setText(sName);
        pPrice->setText(sPrice);
        pChange->setText(sChange);
        pChange->setBackground(background);
        pChange->setForeground(foreground);
    }
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
        pItem->setText(QString());
        pItem->setData(QVariant(), Qt::BackgroundRole);
        pItem->setData(QVariant(), Qt::ForegroundRole);
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

void Tickora::TableViewDClick(const QModelIndex& index)
{
    Q_UNUSED(index);
}

void Tickora::EditCompleteSlot(QWidget* editor, QAbstractItemDelegate::EndEditHint hint)
{
    Q_UNUSED(editor);
    Q_UNUSED(hint);
    AddEmptyRow();
}

void Tickora::MyItemChangedMethod(QStandardItem* sItem)
{
    // The model reports a code cell only when its text really changed, so committing the same
    // code again keeps the row; the cells of a quote are columns 1 to 3 and clear nothing.
    if (sItem && sItem->column() == 0 && !sItem->parent())
        ClearQuote(sItem->row());
}

void Tickora::paintEvent(QPaintEvent* event)
{
    Q_UNUSED(event);
    QPainter painter(this);
}
