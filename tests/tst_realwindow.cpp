// The window on a real X server, driven by real input from xdotool: what a user's clicks and
// keys do, including through the window's transparent-for-mouse attribute.
#include "Tickora.h"
#include "ProxyEnvironment.h"
#include "WhenShown.h"
#include "WindowTable.h"

#include <QIcon>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>
#include <QtTest>

namespace {

bool Xdo(const QStringList& arguments)
{
    return QProcess::execute("xdotool", arguments) == 0;
}

bool ClickAt(const QPoint& global, int nButton = 1)
{
    return Xdo({"mousemove", "--sync", QString::number(global.x()), QString::number(global.y())})
        && Xdo({"click", QString::number(nButton)});
}

} // namespace

class tst_RealWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void titleReachesTheDesktop();
    void typedCodeAppendsAnEntryRow();
    void contextMenuDeletesAfterYes();

private:
    QPoint CellCentre(int nRow, int nColumn) const;

    Tickora* pWindow = nullptr;
    QTableView* pView = nullptr;
    QStandardItemModel* pModel = nullptr;
};

void tst_RealWindow::initTestCase()
{
    QVERIFY2(qEnvironmentVariableIsSet("DISPLAY"), "runs under xvfb-run");
    QCOMPARE(QGuiApplication::platformName(), QString("xcb"));
    RouteNowhere();
}

void tst_RealWindow::init()
{
    pWindow = new Tickora;
    pWindow->setWindowTitle(QString::fromUtf8("禾澜迷你股票监控器1.0"));
    pWindow->setWindowIcon(QIcon::fromTheme("select", QIcon(":/Tickora/images/exe.png")));
    pWindow->move(40, 40);
    pWindow->show();
    QVERIFY(QTest::qWaitForWindowExposed(pWindow));
    pView = pWindow->findChild<QTableView*>("tableView");
    pModel = TableModel(*pWindow);
}

void tst_RealWindow::cleanup()
{
    delete pWindow;
    pWindow = nullptr;
}

QPoint tst_RealWindow::CellCentre(int nRow, int nColumn) const
{
    return pView->viewport()->mapToGlobal(pView->visualRect(pModel->index(nRow, nColumn)).center());
}

void tst_RealWindow::titleReachesTheDesktop()
{
    QProcess search;
    search.start("xdotool", {"search", "--name", QString::fromUtf8("禾澜迷你股票监控器1.0")});
    QVERIFY(search.waitForFinished(10000));
    QVERIFY2(search.readAllStandardOutput().trimmed().toULongLong() == pWindow->winId(),
             "the X window carries the Chinese title");
}

void tst_RealWindow::typedCodeAppendsAnEntryRow()
{
    QVERIFY(ClickAt(CellCentre(1, 0)));
    QTRY_COMPARE(pView->currentIndex(), pModel->index(1, 0));
    QVERIFY(Xdo({"type", "--delay", "20", "000001"}));
    QVERIFY(Xdo({"key", "Return"}));
    QTRY_COMPARE(TableCodes(*pWindow), (QStringList{"600519", "000001", ""}));
}

void tst_RealWindow::contextMenuDeletesAfterYes()
{
    bool bMenuSeen = false;
    bool bBoxSeen = false;
    WhenShown<QMenu>([&](QMenu* pMenu) {
        bMenuSeen = true;
        QAction* pDelete = pMenu->actions().value(0);
        ClickAt(pMenu->mapToGlobal(pMenu->actionGeometry(pDelete).center()));
    });
    WhenShown<QMessageBox>([&](QMessageBox* pBox) {
        bBoxSeen = pBox->windowTitle() == QString::fromUtf8("提示")
                && pBox->text() == QString::fromUtf8("是否删除本行数据?");
        QAbstractButton* pYes = pBox->button(QMessageBox::Yes);
        ClickAt(pYes->mapToGlobal(pYes->rect().center()));
    });
    QVERIFY(ClickAt(CellCentre(0, 1), 3));
    QTRY_COMPARE_WITH_TIMEOUT(TableCodes(*pWindow), QStringList{""}, 10000);
    QVERIFY(bMenuSeen);
    QVERIFY(bBoxSeen);
}

QTEST_MAIN(tst_RealWindow)
#include "tst_realwindow.moc"
