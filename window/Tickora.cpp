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

#include <cmath>
#include <cstdio>

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
    // A sweep in progress is allowed to finish; each of its requests is bounded by time-outs.
    catchThread.SetState(CatchQuit);
    catchThread.quit();
    catchThread.wait();

    delete pMenu;
    delete Model();
}

// Null once the destructor has released the model; an editor closed while the window goes
// away still ends in AddEmptyRow.
QStandardItemModel* Tickora::Model() const
{
    return qobject_cast<QStandardItemModel*>(ui.tableView->model());
}

void Tickora::AddEmptyRow()
{
    QStandardItemModel* pModel = Model();
    const int nRows = pModel ? pModel->rowCount() : 0;
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
        ApplyQuote(quote);
}

void Tickora::ApplyQuote(StockQuote quote)
{
    QStandardItemModel* pModel = Model();
    const int nRows = pModel->rowCount();
    const QString sName = QuoteCodec()->toUnicode(quote.sName.c_str());
    const QString sPrice = QuoteCodec()->toUnicode(quote.sPrice.c_str());

    QString sChange = QStringLiteral("--");
    if (std::isfinite(quote.dChange)) {
        char szChange[64] = {};
        std::snprintf(szChange, sizeof szChange, "%0.2f%%", static_cast<double>(quote.dChange * 100.0f));
        sChange = QString::fromLatin1(szChange);
    }
    // The test is on the ratio itself: -0.001% is shown as 0.00% but still coloured as a fall.
    const QBrush brush(quote.dChange < 0 ? QColor(127, 255, 0) : QColor(255, 97, 0));

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
        pChange->setBackground(brush);
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
    Q_UNUSED(sItem);
}

void Tickora::paintEvent(QPaintEvent* event)
{
    Q_UNUSED(event);
    QPainter painter(this);
}
