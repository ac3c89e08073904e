// What the network can throw at the worker and the window: each fault gives exactly one text
// for its item, the sweep goes on, the window keeps its last good values, and the next sweep
// works. Also a soak of many sweeps with faults mixed in.
#include "CCatchThread.h"
#include "CHttpClient.h"
#include "FailureSentence.h"
#include "FakeQuoteService.h"
#include "ProxyEnvironment.h"
#include "TestHttpServer.h"
#include "Tickora.h"
#include "WindowTable.h"

#include <QDeadlineTimer>
#include <QStandardItemModel>
#include <QTableView>
#include <QTimer>
#include <QtTest>

#include <algorithm>
#include <memory>

namespace {

enum Fault
{
    NoFault,
    Refused,
    ResetMidBody,
    Stall,
    HugeBody,
    JustOverLimit,
    GzipBomb,
    EndlessStream,
    NulBody,
    CorruptGzip,
    RedirectLoop,
    ServerError,
    ThousandFields,
    Dropped,
};

ScriptedReply FaultReply(Fault fault, const std::string& sCode, size_t nHugeSize)
{
    ScriptedReply reply;
    switch (fault) {
    case ResetMidBody:
        reply.sBody = ToGbk(FakeQuoteService::QuoteLine(sCode, "断线", 10.0, 11.0));
        reply.bResetMidBody = true;
        break;
    case Stall: // held at the server until the test lets it go
        reply.sBody = "too late";
        break;
    case HugeBody:
        reply.sBody = std::string(nHugeSize, 'x');
        break;
    case JustOverLimit:
        reply.sBody = std::string(CHttpClient::kMaxTransferBytes + 1, 'x');
        break;
    case GzipBomb:
        reply = GzipBombReply();
        break;
    case EndlessStream:
        reply.sBody = std::string(16000, 'x');
        reply.bEndless = true;
        break;
    case NulBody:
        reply.sBody = std::string(64 * 1024, '\0');
        break;
    case CorruptGzip:
        reply.sBody = "whatever";
        reply.bCorruptGzip = true;
        break;
    case RedirectLoop:
        reply.nStatus = 302;
        reply.vecHeaders = {"Location: /list=" + sCode};
        break;
    case ServerError:
        reply.nStatus = 500;
        reply.sBody = "<html><body><h1>500 Internal Server Error</h1></body></html>";
        break;
    case ThousandFields: {
        std::string sFields = "千列,1.00,10.00,12.00";
        for (int i = 4; i < 1000; ++i)
            sFields += "," + std::to_string(i);
        reply.sBody = ToGbk(FakeQuoteService::Line(sCode, sFields));
        break;
    }
    case Dropped:
        reply.bDrop = true;
        break;
    case NoFault:
    case Refused:
        break;
    }
    return reply;
}

const QStringList kCodes = {"600519", "000001", "300750"};

} // namespace

Q_DECLARE_METATYPE(Fault)

class tst_Faults : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void faultGivesOneTextAndKeepsLastGoodValues_data();
    void faultGivesOneTextAndKeepsLastGoodValues();
    void soakOfSweepsWithFaultsMixedIn();

private:
    void MakeWindow(const QStringList& codes, int nTimeout = 60);
    void Sweep(const QString& sList, int nItems);
    QString Cell(int nRow, int nColumn) const { return pModel->item(nRow, nColumn)->text(); }

    TestHttpServer server;
    FakeQuoteService service;
    QByteArray proxy;
    std::unique_ptr<Tickora> pWindow;
    QStandardItemModel* pModel = nullptr;
    std::unique_ptr<CCatchThread> pWorker;
    QStringList results;
    int nWanted = 0;
    QEventLoop sweepDone;
};

void tst_Faults::initTestCase()
{
    service.Serve(server);
    QVERIFY(server.Start());
    proxy = QByteArray::fromStdString(server.BaseUrl());
    RouteThroughProxy(proxy);
}

void tst_Faults::init()
{
    server.ClearScripts();
    server.ClearRequests();
    service.SetDelay(0);
    results.clear();
}

void tst_Faults::cleanup()
{
    if (pWorker) {
        pWorker->SetState(CatchQuit);
        pWorker->quit();
        QVERIFY(pWorker->wait(60000));
        pWorker.reset();
    }
    pWindow.reset();
    qputenv("http_proxy", proxy);
}

// A window whose own poll is stopped, fed by a worker of the test's, wired as the window wires
// its own: so the test can lower the client's time-out and drive the sweeps one by one.
void tst_Faults::MakeWindow(const QStringList& codes, int nTimeout)
{
    pWindow = std::make_unique<Tickora>();
    pWindow->findChild<QTimer*>()->stop();
    pModel = TableModel(*pWindow);
    FillTable(*pWindow, codes);
    pWorker = std::make_unique<CCatchThread>();
    pWorker->SetClientSetup([nTimeout](CHttpClient& client) { client.settings.nTimeout = nTimeout; });
    connect(pWorker.get(), &CCatchThread::notifyResult, pWindow.get(), &Tickora::HandleCatchResult);
    connect(pWorker.get(), &CCatchThread::notifyResult, this, [this](QString text) {
        results << text;
        if (results.size() >= nWanted)
            sweepDone.quit();
    });
    pWorker->StartCatch();
}

void tst_Faults::Sweep(const QString& sList, int nItems)
{
    // A list handed in before the last sweep has ended is dropped, as designed. The worker turns
    // idle right after its last text, so a short spin does; a soak runs a thousand of these.
    for (QDeadlineTimer bound(30000); pWorker->State() != CatchIdle; QThread::usleep(100))
        QVERIFY2(!bound.hasExpired(), "the worker returns to idle after its sweep");
    results.clear();
    nWanted = nItems;
    pWorker->SetCodeList(sList);
    // Woken by the last emission, not by polling: a soak runs a thousand of these.
    QTimer bound;
    bound.setSingleShot(true);
    connect(&bound, &QTimer::timeout, &sweepDone, &QEventLoop::quit);
    bound.start(60000);
    sweepDone.exec();
    QVERIFY2(results.size() == nItems, qPrintable(QString("%1 of %2 texts within the bound").arg(results.size()).arg(nItems)));
}

void tst_Faults::faultGivesOneTextAndKeepsLastGoodValues_data()
{
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<bool>("updates");
    QTest::addColumn<QString>("text"); // what the worker emits for the faulty item, when fixed
    const QString kTooLarge(FailureSentence(200, CURLE_WRITE_ERROR));
    QTest::newRow("refused connection") << Refused << false
                                        << QString(FailureSentence(0, CURLE_COULDNT_CONNECT));
    QTest::newRow("reset in the middle of the body") << ResetMidBody << false << QString();
    QTest::newRow("stall past the client's time-out") << Stall << false
                                                      << QString(FailureSentence(0, CURLE_OPERATION_TIMEDOUT));
    QTest::newRow("20 MB body") << HugeBody << false << kTooLarge;
    QTest::newRow("body one byte over the limit") << JustOverLimit << false << kTooLarge;
    QTest::newRow("gzip bomb decoding to 64 MiB") << GzipBomb << false << kTooLarge;
    QTest::newRow("endless chunked stream") << EndlessStream << false << kTooLarge;
    QTest::newRow("body full of NUL bytes") << NulBody << false << QString();
    QTest::newRow("corrupt gzip body") << CorruptGzip << false << QString();
    QTest::newRow("redirect loop") << RedirectLoop << false
                                   << QString(FailureSentence(302, CURLE_TOO_MANY_REDIRECTS));
    QTest::newRow("HTTP 500 with an HTML page") << ServerError << false
                                                << "<html><body><h1>500 Internal Server Error</h1></body></html>";
    QTest::newRow("connection dropped without an answer")
        << Dropped << false << QString(FailureSentence(0, CURLE_GOT_NOTHING));
    QTest::newRow("a line of 1000 fields is still a quote") << ThousandFields << true << QString();
}

void tst_Faults::faultGivesOneTextAndKeepsLastGoodValues()
{
    QFETCH(Fault, fault);
    QFETCH(bool, updates);
    QFETCH(QString, text);
    // Only a held answer needs the time-out short; a big body must not race it.
    MakeWindow(kCodes, fault == Stall ? 1 : 60);
    const QString sList = pWindow->CodeList();
    QCOMPARE(sList, QString("sh600519,sz000001,sz300750,"));

    Sweep(sList, 3);
    QCOMPARE(Cell(1, 1), QString::fromUtf8("平安银行"));
    const QStringList good = {Cell(1, 1), Cell(1, 2), Cell(1, 3)};

    if (fault == Refused)
        RouteNowhere();
    else
        server.Script("/list=sz000001", FaultReply(fault, "sz000001", 20 * 1024 * 1024));
    if (fault == Stall)
        server.Hold("/list=sz000001");
    server.ClearRequests();
    Sweep(sList, 3);
    server.Release("/list=sz000001");
    if (QTest::currentTestFailed())
        return;
    if (fault != Refused) {
        QVERIFY(results[0].contains("hq_str_sh600519="));
        QVERIFY(results[2].contains("hq_str_sz300750="));
    }
    if (!text.isEmpty())
        QCOMPARE(results[1], text);
    if (updates) {
        QCOMPARE(Cell(1, 1), QString::fromUtf8("千列"));
        QCOMPARE(Cell(1, 2), QString("12.00"));
        QCOMPARE(Cell(1, 3), QString("20.00%"));
    } else {
        QCOMPARE((QStringList{Cell(1, 1), Cell(1, 2), Cell(1, 3)}), good);
    }
    // Each item of the fault sweep was asked for: a redirect loop asks 31 times.
    const size_t nExpected = fault == Refused ? 0 : fault == RedirectLoop ? 33 : 3;
    QCOMPARE(server.RequestCount(), nExpected);

    // The fault is over: the next sweep fills the row again.
    server.ClearScripts();
    qputenv("http_proxy", proxy);
    for (int nColumn = 1; nColumn < 4; ++nColumn)
        pModel->item(1, nColumn)->setText(QString());
    Sweep(sList, 3);
    QCOMPARE(Cell(1, 1), QString::fromUtf8("平安银行"));
    QVERIFY(!Cell(1, 2).isEmpty());
    QVERIFY(Cell(1, 3).endsWith('%'));
}

void tst_Faults::soakOfSweepsWithFaultsMixedIn()
{
    QStringList codes = {"600519", "000001", "601318", "002752", "300750", "688981"};
    for (int i = codes.size(); i < 20; ++i)
        codes << QString("0%1").arg(10000 + i);
    MakeWindow(codes);
    const QString sList = pWindow->CodeList();
    const QStringList items = sList.split(',', Qt::SkipEmptyParts);
    QCOMPARE(items.size(), 20);
    // Faults that end within a request; a stall costs a whole second, so it has its own test.
    const std::vector<Fault> vecFaults = {ResetMidBody, HugeBody, NulBody, CorruptGzip,
                                          RedirectLoop, ServerError, ThousandFields, Dropped};
#ifdef Q_OS_WIN // each request costs Wine ten times what it costs Linux
    const int nSweeps = 200;
#else
    const int nSweeps = 1000;
#endif
    unsigned nSeed = 12345;
    for (int nSweep = 0; nSweep < nSweeps; ++nSweep) {
        server.ClearScripts();
        server.ClearRequests(); // the server's own record would otherwise grow
        // One request in ten: two items of the twenty, picked anew each sweep.
        std::vector<int> vecFaulty;
        while (vecFaulty.size() < 2) {
            nSeed = nSeed * 1103515245u + 12345u;
            const int nItem = static_cast<int>((nSeed >> 16) % 20);
            if (std::find(vecFaulty.begin(), vecFaulty.end(), nItem) == vecFaulty.end())
                vecFaulty.push_back(nItem);
        }
        for (int nItem : vecFaulty) {
            const std::string sCode = items[nItem].toStdString();
            server.Script("/list=" + sCode, FaultReply(vecFaults[(nSweep + nItem) % vecFaults.size()], sCode,
                                                       2 * 1024 * 1024));
        }
        Sweep(sList, 20);
        if (QTest::currentTestFailed())
            return;
        for (int nItem = 0; nItem < 20; ++nItem) {
            if (std::find(vecFaulty.begin(), vecFaulty.end(), nItem) != vecFaulty.end())
                continue;
            QVERIFY2(results[nItem].contains("hq_str_" + items[nItem] + "="),
                     qPrintable(QString("sweep %1 item %2: %3").arg(nSweep).arg(nItem).arg(results[nItem].left(80))));
        }
    }
    QCOMPARE(Cell(0, 1), QString::fromUtf8("贵州茅台"));
}

QTEST_MAIN(tst_Faults)
#include "tst_faults.moc"
