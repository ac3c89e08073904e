// Built only with ThreadSanitizer, and passes only on its report of the race below. The
// window's thread reads a field of the worker's client in a queued slot while the worker writes
// it for the next request, with no lock: a real race in the project's own code, which the
// suppressions must not hide.
#include "CCatchThread.h"
#include "CHttpClient.h"
#include "ProxyEnvironment.h"
#include "TestHttpServer.h"

#include <QtTest>

#include <atomic>

class tst_TsanCanary : public QObject
{
    Q_OBJECT

private slots:
    void unlockedReadOfTheWorkersClientIsReported();
};

void tst_TsanCanary::unlockedReadOfTheWorkersClientIsReported()
{
    TestHttpServer server;
    server.SetHandler([](const RecordedRequest&) { return ScriptedReply{200, {}, "x"}; });
    QVERIFY(server.Start());
    RouteThroughProxy(QByteArray::fromStdString(server.BaseUrl()));
    CCatchThread worker;
    std::atomic<CHttpClient*> pClient{nullptr};
    worker.SetClientSetup([&](CHttpClient& client) { pClient = &client; });
    int nTexts = 0;
    long nStatusSum = 0;
    connect(&worker, &CCatchThread::notifyResult, this, [&](QString) {
        ++nTexts;
        nStatusSum += pClient.load()->nStatusCode; // the race
    });
    worker.StartCatch();
    worker.SetCodeList(QString("sh600519,").repeated(50));
    QTRY_COMPARE_WITH_TIMEOUT(nTexts, 50, 60000);
    worker.SetState(CatchQuit);
    QVERIFY(worker.wait(60000));
    QVERIFY(nStatusSum > 0);
}

QTEST_GUILESS_MAIN(tst_TsanCanary)
#include "tst_tsan_canary.moc"
