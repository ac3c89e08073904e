// The fetch worker against a loopback server that stands in as the quote service's proxy.
#include "CCatchThread.h"
#include "CHttpClient.h"
#include "FailureSentence.h"
#include "FakeQuoteService.h"
#include "ProxyEnvironment.h"
#include "TestHttpServer.h"

#include <QtTest>

#include <memory>

namespace {

const QString kBase = "http://hq.sinajs.cn/list=";

QStringList Targets(const std::vector<RecordedRequest>& requests)
{
    QStringList targets;
    for (const RecordedRequest& request : requests)
        targets << QString::fromStdString(request.sTarget);
    return targets;
}

} // namespace

class tst_CatchThread : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void requestsFollowTheListInOrder_data();
    void requestsFollowTheListInOrder();
    void requestCarriesRefererAndDefaults();
    void listMadeOfNothingRequestsNothing_data();
    void listMadeOfNothingRequestsNothing();
    void responseIsDecodedFromGbkUpToNul();
    void listHandedInDuringSweepIsDropped();
    void everyTickWhileIdleStartsAFullSweep();
    void interruptionWithFetchPendingEndsWithoutSweep();
    void quitWhileIdleEndsAtOnce();
    void quitDuringSweepFinishesTheSweepFirst();
    void failedTransferIsEmittedLikeAnyText();

private:
    TestHttpServer server;
    std::unique_ptr<CCatchThread> pWorker;
    QStringList results;
};

void tst_CatchThread::initTestCase()
{
    QVERIFY(server.Start());
    RouteThroughProxy(QByteArray::fromStdString(server.BaseUrl()));
}

void tst_CatchThread::init()
{
    server.ClearRequests();
    server.ClearScripts();
    server.SetHandler([](const RecordedRequest& request) {
        return ScriptedReply{200, {}, "answer " + request.sPath};
    });
    results.clear();
    pWorker = std::make_unique<CCatchThread>();
    // Emitted on the worker thread, delivered queued here, as the window receives it.
    connect(pWorker.get(), &CCatchThread::notifyResult, this, [this](QString text) { results << text; });
}

void tst_CatchThread::cleanup()
{
    pWorker->SetState(CatchQuit);
    pWorker->quit();
    QVERIFY(pWorker->wait(30000));
    pWorker.reset();
}

void tst_CatchThread::requestsFollowTheListInOrder_data()
{
    QTest::addColumn<QString>("list");
    QTest::addColumn<QStringList>("targets");
    QTest::addColumn<QStringList>("texts"); // emitted, in order: each item's own answer
    QTest::newRow("three codes and the trailing comma")
        << "sh600519,sz000001,sh601318,"
        << QStringList{"http://hq.sinajs.cn/list=sh600519", "http://hq.sinajs.cn/list=sz000001",
                       "http://hq.sinajs.cn/list=sh601318"}
        << QStringList{"answer /list=sh600519", "answer /list=sz000001", "answer /list=sh601318"};
    // The answer echoes the UTF-8 bytes of the path, which the worker decodes as GBK.
    QTest::newRow("non-ASCII goes out as UTF-8 bytes")
        << QString::fromUtf8("sz股票,") << QStringList{QString::fromUtf8("http://hq.sinajs.cn/list=sz股票")}
        << QStringList{QString::fromUtf8("answer /list=sz鑲＄エ")};
    QTest::newRow("no trailing comma") << "sh600000" << QStringList{"http://hq.sinajs.cn/list=sh600000"}
                                       << QStringList{"answer /list=sh600000"};
}

void tst_CatchThread::requestsFollowTheListInOrder()
{
    QFETCH(QString, list);
    QFETCH(QStringList, targets);
    QFETCH(QStringList, texts);
    pWorker->StartCatch();
    pWorker->SetCodeList(list);
    QTRY_COMPARE(results.size(), targets.size());
    QCOMPARE(Targets(server.Requests()), targets);
    QCOMPARE(results, texts);
}

void tst_CatchThread::requestCarriesRefererAndDefaults()
{
    pWorker->StartCatch();
    pWorker->SetCodeList("sh600519,");
    QTRY_COMPARE(results.size(), 1);
    const RecordedRequest request = server.Requests().at(0);
    QCOMPARE(QByteArray::fromStdString(request.sRequestLine),
             QByteArray("GET http://hq.sinajs.cn/list=sh600519 HTTP/1.1"));
    QVERIFY(request.vecHeaderLines.size() >= 5);
    QCOMPARE(QByteArray::fromStdString(request.vecHeaderLines.back()), QByteArray("Referer:https://finance.sina.com.cn/"));
    QCOMPARE(QByteArray::fromStdString(request.Header("Accept-Charset")), QByteArray("GBK,utf-8;q=0.7,*;q=0.3"));
    QVERIFY(request.Header("User-Agent").find("Chrome/36.0.1985.143") != std::string::npos);
}

void tst_CatchThread::listMadeOfNothingRequestsNothing_data()
{
    QTest::addColumn<QString>("list");
    QTest::newRow("empty list") << "";
    QTest::newRow("commas only") << ",,,";
}

void tst_CatchThread::listMadeOfNothingRequestsNothing()
{
    QFETCH(QString, list);
    pWorker->StartCatch();
    pWorker->SetCodeList(list);
    // Then a real list: it is only taken up once the empty sweep has returned to idle.
    pWorker->SetCodeList(",sh600519,,");
    QTRY_COMPARE(results.size(), 1);
    QCOMPARE(Targets(server.Requests()), QStringList{"http://hq.sinajs.cn/list=sh600519"});
}

void tst_CatchThread::responseIsDecodedFromGbkUpToNul()
{
    const std::string sLine = ToGbk(FakeQuoteService::Line("sz002752", "昇兴股份,1,2,3,4,5"));
    server.Script("/list=sz002752", ScriptedReply{200, {}, sLine + std::string("\0tail", 5)});
    pWorker->StartCatch();
    pWorker->SetCodeList("sz002752,");
    QTRY_COMPARE(results.size(), 1);
    QCOMPARE(results[0], QString::fromUtf8("var hq_str_sz002752=\"昇兴股份,1,2,3,4,5\";\n"));
}

void tst_CatchThread::listHandedInDuringSweepIsDropped()
{
    server.Hold("/list=sz000001");
    pWorker->StartCatch();
    pWorker->SetCodeList("sh600519,sz000001,");
    QVERIFY2(server.WaitForRequests(2, 30000), "the second item is asked for");
    pWorker->SetCodeList("sh600001,"); // lands while the second answer is held
    server.Release("/list=sz000001");
    QTRY_COMPARE(results.size(), 2);
    QTRY_COMPARE(pWorker->State(), CatchIdle);
    // The next list after the sweep is taken up; the one handed in during it never was.
    pWorker->SetCodeList("sh600000,");
    QTRY_COMPARE(results.size(), 3);
    QCOMPARE(Targets(server.Requests()),
             (QStringList{kBase + "sh600519", kBase + "sz000001", kBase + "sh600000"}));
}

void tst_CatchThread::everyTickWhileIdleStartsAFullSweep()
{
    pWorker->StartCatch();
    for (int nTick = 1; nTick <= 3; ++nTick) {
        pWorker->SetCodeList("sh600519,sz000001,");
        QTRY_COMPARE(results.size(), 2 * nTick);
        QTRY_COMPARE(pWorker->State(), CatchIdle);
    }
    QCOMPARE(server.RequestCount(), size_t(6));
}

void tst_CatchThread::interruptionWithFetchPendingEndsWithoutSweep()
{
    pWorker->SetCodeList("sh600519,");
    // start() clears an earlier request, so ask from inside the thread, before its first look.
    pWorker->SetClientSetup([this](CHttpClient&) { pWorker->requestInterruption(); });
    pWorker->StartCatch();
    QVERIFY(pWorker->wait(10000));
    QCOMPARE(server.RequestCount(), size_t(0));
}

void tst_CatchThread::quitWhileIdleEndsAtOnce()
{
    pWorker->StartCatch();
    pWorker->SetCodeList("sh600519,");
    QTRY_COMPARE(results.size(), 1);
    QTRY_COMPARE(pWorker->State(), CatchIdle);
    pWorker->SetState(CatchQuit);
    pWorker->quit();
    QVERIFY2(pWorker->wait(30000), "an idle worker ends on its next look at the state");
    QCOMPARE(server.RequestCount(), size_t(1));
}

void tst_CatchThread::quitDuringSweepFinishesTheSweepFirst()
{
    FakeQuoteService service;
    service.Serve(server);
    server.Hold("/list=sh600519");
    pWorker->StartCatch();
    pWorker->SetCodeList("sh600519,sz000001,sz300750,sz999999,");
    QVERIFY2(server.WaitForRequests(1, 30000), "the sweep has begun");
    pWorker->SetState(CatchQuit); // while the first answer is still held
    pWorker->quit();
    server.Release("/list=sh600519");
    QVERIFY2(pWorker->wait(60000), "the worker ends once its sweep is done");
    QCOMPARE(server.RequestCount(), size_t(4));
    QTRY_COMPARE(results.size(), 4);
    QVERIFY(results[2].contains(QString::fromUtf8("宁德时代")));
    QCOMPARE(results[3], QString("var hq_str_sz999999=\"\";\n"));
}

void tst_CatchThread::failedTransferIsEmittedLikeAnyText()
{
    ScriptedReply dropped;
    dropped.bDrop = true;
    server.Script("/list=sh600519", dropped);
    server.Script("/list=sh600000", ScriptedReply{404, {}, ""});
    pWorker->StartCatch();
    // A blank in the URL is refused by libcurl before any request is made.
    pWorker->SetCodeList("sh600519,sz 600519,sh600000,sz000001,");
    QTRY_COMPARE(results.size(), 4);
    QCOMPARE(results[0], QString(FailureSentence(0, CURLE_GOT_NOTHING)));
    QCOMPARE(results[1], QString(FailureSentence(0, CURLE_URL_MALFORMAT)));
    QCOMPARE(results[2], QString(FailureSentence(404, CURLE_OK)));
    QCOMPARE(results[3], QString("answer /list=sz000001"));
    // Each text is new: no earlier response is emitted again.
    QCOMPARE(server.RequestCount(), size_t(3));
}

QTEST_GUILESS_MAIN(tst_CatchThread)
#include "tst_catchthread.moc"
