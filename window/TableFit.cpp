#include "TableFit.h"

#include <QEvent>
#include <QHeaderView>
#include <QResizeEvent>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionHeader>
#include <QStyleOptionViewItem>
#include <QTableView>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <array>

namespace {

// Below this a table is no longer readable on any screen.
constexpr double kFloorPoints = 7.0;
constexpr double kStepPoints = 0.5;

// The texts that must fit one stretched column: a six-digit code, a name of four Chinese
// characters, the widest price and change.
const std::array<const char*, 4> kSampleTexts = {"888888", "贵州茅台", "8888.888", "-10.00%"};

} // namespace

TableFit::TableFit(QTableView* pView)
    : QObject(pView)
    , pView(pView)
{
    // Changes come in bursts (a new font brings a style change, rows come one by one): one
    // fit on the next turn of the event loop answers them all.
    fitTimer.setSingleShot(true);
    fitTimer.setInterval(0);
    connect(&fitTimer, &QTimer::timeout, this, &TableFit::Fit);
    // The delegate measures items of a model, so the samples sit in one row of their own.
    for (int nColumn = 0; nColumn < int(kSampleTexts.size()); ++nColumn)
        samples.setItem(0, nColumn, new QStandardItem(QString::fromUtf8(kSampleTexts[nColumn])));
    pView->installEventFilter(this);
    if (QAbstractItemModel* pModel = pView->model()) {
        // The row numbers' header widens with their digits.
        auto fnRowsChanged = [this] {
            if (RowDigits() != nRowDigits)
                FitLater();
        };
        connect(pModel, &QAbstractItemModel::rowsInserted, this, fnRowsChanged);
        connect(pModel, &QAbstractItemModel::rowsRemoved, this, fnRowsChanged);
        connect(pModel, &QAbstractItemModel::modelReset, this, fnRowsChanged);
    }
}

bool TableFit::eventFilter(QObject* pWatched, QEvent* pEvent)
{
    if (pWatched == pView && !bFitting) {
        switch (pEvent->type()) {
        case QEvent::Show:
            WatchScreen();
            Fit();
            break;
        case QEvent::Resize:
            if (static_cast<QResizeEvent*>(pEvent)->oldSize().width() != pView->width())
                Fit();
            break;
        case QEvent::FontChange:
        case QEvent::StyleChange:
        case QEvent::ApplicationFontChange:
            // The view resolves its new font after the filters have seen the event.
            FitLater();
            break;
        default:
            break;
        }
    }
    return QObject::eventFilter(pWatched, pEvent);
}

void TableFit::FitLater()
{
    fitTimer.start();
}

void TableFit::WatchScreen()
{
    QWindow* pWindow = pView->window()->windowHandle();
    if (!pWindow)
        return;
    connect(pWindow, &QWindow::screenChanged, this, &TableFit::WatchScreen, Qt::UniqueConnection);
    if (pScreen == pWindow->screen())
        return;
    if (pScreen)
        disconnect(pScreen, nullptr, this, nullptr);
    pScreen = pWindow->screen();
    if (pScreen)
        connect(pScreen, &QScreen::logicalDotsPerInchChanged, this, &TableFit::FitLater);
    // The first screen is the one the window was shown on, and the show fits already.
    if (bScreenSeen)
        FitLater();
    bScreenSeen = true;
}

int TableFit::RowDigits() const
{
    // Room for two digits at least, so that the size does not change at the tenth row.
    const int nRows = pView->model() ? pView->model()->rowCount() : 0;
    return QString::number(std::max(99, nRows)).size();
}

void TableFit::Fit()
{
    if (bFitting || pView->width() <= 0)
        return;
    bFitting = true;
    nRowDigits = RowDigits();
    // Start from the font the desktop gives the view, without an earlier fit's size.
    if (pView->testAttribute(Qt::WA_SetFont))
        pView->setFont(QFont());
    const QFont desktop = pView->font();
    double dPoints = desktop.pointSizeF();
    if (dPoints <= 0)
        dPoints = desktop.pixelSize() * 72.0 / pView->logicalDpiY();

    double dFitted = dPoints;
    QFont candidate = desktop;
    while (!Fits(candidate) && dFitted > kFloorPoints) {
        dFitted = std::max(kFloorPoints, dFitted - kStepPoints);
        candidate.setPointSizeF(dFitted);
    }
    if (dFitted != dPoints) {
        // Only the size is set, so the view still follows the desktop's family and style.
        QFont sized;
        sized.setPointSizeF(dFitted);
        pView->setFont(sized);
    }
    bFitting = false;
}

bool TableFit::Fits(const QFont& font) const
{
    QStyle* pStyle = pView->style();
    const QHeaderView* pRows = pView->verticalHeader();
    const QHeaderView* pColumns = pView->horizontalHeader();

    // The row numbers' header is as wide as its widest number in bold, as the header measures
    // it.
    int nRowHeader = 0;
    if (!pRows->isHidden()) {
        QFont bold = font;
        bold.setBold(true);
        QStyleOptionHeader option;
        option.initFrom(pRows);
        option.orientation = Qt::Vertical;
        option.fontMetrics = QFontMetrics(bold);
        option.text = QString(RowDigits(), QLatin1Char('8'));
        nRowHeader = pStyle->sizeFromContents(QStyle::CT_HeaderSection, &option, QSize(), pRows).width();
    }
    // The vertical scroll bar counts as shown: the table may hold more rows than the window.
    const int nScrollBar = pStyle->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, pView->verticalScrollBar());
    const int nViewport = pView->width() - 2 * pView->frameWidth() - nRowHeader - nScrollBar;
    const int nSections = std::max(1, pColumns->count());
    // Stretched sections share the viewport; the narrowest gets the rounded-down share.
    const int nSection = nViewport / nSections;

    // Narrower than the header's least section, the columns would scroll sideways.
    const int nHeaderMargin = pStyle->pixelMetric(QStyle::PM_HeaderMargin, nullptr, pColumns);
    if (QFontMetrics(font).maxWidth() + 2 * nHeaderMargin > nSection)
        return false;

    // A cell is the section less the grid line; the delegate's size hint holds the style's
    // text margins.
    const int nCell = nSection - (pView->showGrid() ? 1 : 0);
    QStyleOptionViewItem option;
    option.initFrom(pView);
    option.font = font;
    option.fontMetrics = QFontMetrics(font);
    option.widget = pView;
    for (int nColumn = 0; nColumn < samples.columnCount(); ++nColumn) {
        if (pView->itemDelegate()->sizeHint(option, samples.index(0, nColumn)).width() > nCell)
            return false;
    }
    return true;
}
