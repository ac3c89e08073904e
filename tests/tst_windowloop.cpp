// The window's own loop, offscreen: its timer, its worker and its cells against the stand-in
// quote service behind libcurl's proxy variable. Every wait is bounded by sweeps seen at the
// service; the default row 600519 stays in row 0, so its requests count the sweeps.
#include "FakeQuoteService.h"
#include "ProxyEnvironment.h"
#include "TableInput.h"
#include "TestHttpServer.h"
#include "Tickora.h"
#include "WindowTable.h"

#include <QApplication>
#include <QStandardItemModel>
#include <QTableView>
#include <QTimer>
#include <QtTest>

#include <atomic>
#include <functional>
#include <thread>

namespace {

const std::string kMarker = "/list=sh600519";

} // namespace

class tst_WindowLoop : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void defaultRowFills();
    void typedCodeIsAskedForAndFills();
    void deletedRowIsNoLongerAskedFor();
    void editedCodeEmptiesItsRowUntilItsQuote_data();
    void editedCodeEmptiesItsRowUntilItsQuote();
    void closingDuringSweepFinishesTheSweep();
    void closedWindowStartsNoSweep();

private:
    // Requests the service has seen for a path, and the sweeps it has seen.
    size_t Asked(const std::string& sPath, size_t nFrom = 0) const;
    size_t Sweeps() const { return Asked(kMarker); }
    // Runs the event loop until bDone holds or nSweeps more sweeps have begun.
    bool WaitFor(const std::function<bool()>& bDone, size_t nSweeps);
    void FillRow1(const QString& sCode, const QString& sName);

    TestHttpServer server;
    FakeQuoteService service;
    Tickora* pWindow = nullptr;
    QTableView* pView = nullptr;
    QStandardItemModel* pModel = nullptr;
};

void tst_WindowLoop::initTestCase()
{
    service.Serve(server);
    QVERIFY(server.Start());
    RouteThroughProxy(QByteArray::fromStdString(server.BaseUrl()));
}

void tst_WindowLoop::init()
{
    server.ClearRequests();
    pWindow = new Tickora;
    pView = pWindow->findChild<QTableView*>("tableView");
    pModel = TableModel(*pWindow);
    pWindow->show();
}

void tst_WindowLoop::cleanup()
{
    delete pWindow;
    pWindow = nullptr;
}

size_t tst_WindowLoop::Asked(const std::string& sPath, size_t nFrom) const
{
    const std::vector<RecordedRequest> requests = server.Requests();
    size_t nCount = 0;
    for (size_t i = nFrom; i < requests.size(); ++i)
        nCount += requests[i].sPath == sPath;
    return nCount;
}

bool tst_WindowLoop::WaitFor(const std::function<bool()>& bDone, size_t nSweeps)
{
    const size_t nLast = Sweeps() + nSweeps;
    // The sweeps bound the wait; the time only guards against a loop that stopped altogether.
    QDeadlineTimer stalled(int(nSweeps) * 15000);
    while (!bDone()) {
        if (Sweeps() > nLast || stalled.hasExpired())
            return false;
        QTest::qWait(10);
    }
    return true;
}

void tst_WindowLoop::FillRow1(const QString& sCode, const QString& sName)
{
    EditCell(*pView, pModel->index(1, 0), sCode);
    QVERIFY2(WaitFor([&] { return pModel->item(1, 1)->text() == sName; }, 3),
             qPrintable("row 1 shows " + sName));
}

void tst_WindowLoop::defaultRowFills()
{
    // One request per code a second, again and again: the public service refuses callers
    // that ask more often.
    const auto* pPoll = pWindow->findChild<QTimer*>();
    QVERIFY(pPoll && pPoll->isActive());
    QCOMPARE(pPoll->interval(), 1000);
    QVERIFY(!pPoll->isSingleShot());
    QVERIFY2(WaitFor([&] { return !pModel->item(0, 1)->text().isEmpty(); }, 3), "the default row fills");
    QCOMPARE(pModel->item(0, 1)->text(), QString::fromUtf8("贵州茅台"));
    QVERIFY(pModel->item(0, 2)->text().toDouble() > 0);
    QVERIFY(pModel->item(0, 3)->text().endsWith('%'));
}

void tst_WindowLoop::typedCodeIsAskedForAndFills()
{
    EditCell(*pView, pModel->index(1, 0), "000001");
    QCOMPARE(TableCodes(*pWindow), (QStringList{"600519", "000001", ""}));
    QVERIFY2(WaitFor([&] { return Asked("/list=sz000001") > 0; }, 2), "the typed code is asked for");
    QVERIFY2(WaitFor([&] { return !pModel->item(1, 1)->text().isEmpty(); }, 2), "its row fills");
    QCOMPARE(pModel->item(1, 1)->text(), QString::fromUtf8("平安银行"));
    QVERIFY(pModel->item(1, 3)->text().endsWith('%'));
}

void tst_WindowLoop::deletedRowIsNoLongerAskedFor()
{
    FillRow1("000001", QString::fromUtf8("平安银行"));
    ChooseDelete();
    AnswerBox(QMessageBox::Yes);
    pWindow->ReghtMenuQpoint(pView->visualRect(pModel->index(1, 0)).center());
    QCOMPARE(TableCodes(*pWindow), (QStringList{"600519", ""}));
    const size_t nAtDeletion = server.RequestCount();
    // A sweep under way may still ask for it, and so may the one whose list was handed in just
    // before; every sweep that begins after those two must not.
    const size_t nStart = Sweeps();
    QVERIFY2(WaitFor([&] { return Sweeps() >= nStart + 4; }, 5), "four more sweeps");
    const std::vector<RecordedRequest> requests = server.Requests();
    size_t nMarkers = 0;
    for (size_t i = nAtDeletion; i < requests.size(); ++i) {
        nMarkers += requests[i].sPath == kMarker;
        if (nMarkers >= 2)
            QVERIFY2(requests[i].sPath != "/list=sz000001", "a later sweep asks for the deleted code");
    }
}

void tst_WindowLoop::editedCodeEmptiesItsRowUntilItsQuote_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("name"); // what the row shows in the end
    QTest::newRow("a known code takes its own quote") << "300750" << QString::fromUtf8("宁德时代");
    QTest::newRow("an unknown code leaves the row empty for good") << "999999" << QString();
}

void tst_WindowLoop::editedCodeEmptiesItsRowUntilItsQuote()
{
    QFETCH(QString, code);
    QFETCH(QString, name);
    FillRow1("000001", QString::fromUtf8("平安银行"));
    if (QTest::currentTestFailed())
        return;
    const std::string sPath = "/list=sz" + code.toStdString();
    server.Hold(sPath);
    EditCell(*pView, pModel->index(1, 0), code);
    const QStringList kEmpty{"", "", ""};
    QCOMPARE(TableRow(*pWindow, 1).mid(1), kEmpty);
    // Sweeps still under way answer for 000001; none of them may refill the row.
    const bool bAsked = WaitFor([&] { return Asked(sPath) > 0; }, 3);
    const QStringList whileHeld = TableRow(*pWindow, 1).mid(1);
    server.Release(sPath);
    QVERIFY2(bAsked, "later sweeps ask for the new code");
    QCOMPARE(whileHeld, kEmpty);
    // The held sweep ends with the new code's answer; one more sweep after it settles the row.
    const size_t nStart = Sweeps();
    QVERIFY2(WaitFor([&] { return Sweeps() >= nStart + 2; }, 3), "two more sweeps");
    QCOMPARE(pModel->item(1, 1)->text(), name);
}

void tst_WindowLoop::closingDuringSweepFinishesTheSweep()
{
    pModel->item(1, 0)->setText("000001");
    pWindow->AddEmptyRow();
    pModel->item(2, 0)->setText("300750");
    server.Hold("/list=sz000001");
    QVERIFY2(WaitFor([&] { return Asked("/list=sz000001") > 0; }, 3), "a sweep reaches the held code");
    const size_t nAsked = Asked("/list=sz300750");
    // The answer is let go once the window is going away; its destruction must wait for the
    // rest of the sweep, the code behind the held one included.
    std::atomic<bool> bClosing{false};
    std::thread release([&] {
        while (!bClosing)
            std::this_thread::yield();
        server.Release("/list=sz000001");
    });
    bClosing = true;
    delete pWindow;
    pWindow = nullptr;
    release.join();
    QCOMPARE(Asked("/list=sz300750"), nAsked + 1);
}

// The program ends only once its last sweep is done, and an installer waits for that end: no
// tick after the close may start another, however long the event loop still runs.
void tst_WindowLoop::closedWindowStartsNoSweep()
{
    server.Hold(kMarker);
    QVERIFY2(WaitFor([&] { return Sweeps() > 0; }, 3), "a sweep reaches the held code");
    const size_t nSweeps = Sweeps();
    // Qt tells of the last window's close only within the application's own loop, which here
    // closes the window and then runs on for over two of the poll's ticks: absence has no event
    // to wait for.
    QApplication::setQuitOnLastWindowClosed(false);
    QTimer::singleShot(0, pWindow, [this] {
        pWindow->close();
        server.Release(kMarker);
    });
    QTimer::singleShot(2500, qApp, &QCoreApplication::quit);
    QApplication::exec();
    QApplication::setQuitOnLastWindowClosed(true);
    QCOMPARE(Sweeps(), nSweeps);
}

QTEST_MAIN(tst_WindowLoop)
#include "tst_windowloop.moc"
