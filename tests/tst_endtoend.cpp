// The whole road of a quote in a real window under Xvfb: typed code, poll, worker, the fake
// quote service behind libcurl's proxy variable, and the row filled in.
#include "FakeQuoteService.h"
#include "ProxyEnvironment.h"
#include "TestHttpServer.h"
#include "Tickora.h"
#include "WindowTable.h"

#include <QIcon>
#include <QStandardItemModel>
#include <QTableView>
#include <QtTest>

#include <mutex>

namespace {

const QString kTitle = QString::fromUtf8("禾澜迷你股票监控器1.0");

bool Xdo(const QStringList& arguments)
{
    return QProcess::execute("xdotool", arguments) == 0;
}

} // namespace

class tst_EndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void typedCodeShowsItsQuote();
    void closingDuringSlowSweepEndsAfterTheSweep();

private:
    TestHttpServer server;
    FakeQuoteService service;
    std::mutex logMutex;
    QStringList log;
};

void tst_EndToEnd::initTestCase()
{
    QVERIFY2(qEnvironmentVariableIsSet("DISPLAY"), "runs under xvfb-run");
    service.SetLog([this](const std::string& sLine) {
        std::lock_guard<std::mutex> lock(logMutex);
        log << QString::fromStdString(sLine);
    });
    service.Serve(server);
    QVERIFY(server.Start());
    RouteThroughProxy(QByteArray::fromStdString(server.BaseUrl()));
}

void tst_EndToEnd::init()
{
    server.ClearRequests();
    service.SetDelay(0);
}

void tst_EndToEnd::cleanup()
{
    service.SetDelay(0);
}

void tst_EndToEnd::typedCodeShowsItsQuote()
{
    Tickora window;
    window.setWindowTitle(kTitle);
    window.setWindowIcon(QIcon::fromTheme("select", QIcon(":/Tickora/images/exe.png")));
    window.move(20, 20);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto* pView = window.findChild<QTableView*>("tableView");
    QStandardItemModel* pModel = TableModel(window);

    const QPoint cell = pView->viewport()->mapToGlobal(pView->visualRect(pModel->index(1, 0)).center());
    QVERIFY(Xdo({"mousemove", "--sync", QString::number(cell.x()), QString::number(cell.y())}));
    QVERIFY(Xdo({"click", "1"}));
    QTRY_COMPARE(pView->currentIndex(), pModel->index(1, 0));
    QVERIFY(Xdo({"type", "--delay", "20", "002752"}));
    QVERIFY(Xdo({"key", "Return"}));
    QTRY_COMPARE(pModel->rowCount(), 3);

    QTRY_COMPARE_WITH_TIMEOUT(pModel->item(1, 1)->text(), QString::fromUtf8("昇兴股份"), 10000);
    QTRY_COMPARE_WITH_TIMEOUT(pModel->item(0, 1)->text(), QString::fromUtf8("贵州茅台"), 10000);
    for (int nRow = 0; nRow < 2; ++nRow) {
        QVERIFY(pModel->item(nRow, 2)->text().toDouble() > 0);
        const QString sChange = pModel->item(nRow, 3)->text();
        QVERIFY2(QRegularExpression("^-?\\d+\\.\\d\\d%$").match(sChange).hasMatch(), qPrintable(sChange));
        const QColor colour = pModel->item(nRow, 3)->background().color();
        QCOMPARE(colour, sChange.startsWith('-') ? QColor(127, 255, 0) : QColor(255, 97, 0));
    }

    bool bSeen = false;
    for (const RecordedRequest& request : server.Requests()) {
        if (request.sTarget != "http://hq.sinajs.cn/list=sz002752")
            continue;
        bSeen = true;
        QCOMPARE(QByteArray::fromStdString(request.Header("Referer")), QByteArray("https://finance.sina.com.cn/"));
        QCOMPARE(QByteArray::fromStdString(request.Header("Accept-Language")), QByteArray("zh-CN,zh;q=0.8"));
        QVERIFY(request.Header("User-Agent").find("Chrome/36.0.1985.143") != std::string::npos);
    }
    QVERIFY(bSeen);
    {
        std::lock_guard<std::mutex> lock(logMutex);
        QVERIFY(!log.filter("list=sz002752").isEmpty());
    }
    // Kept for a person to look at.
    QProcess::execute("import", {"-window", "root", "-crop", "340x340+0+0",
                                 QCoreApplication::applicationDirPath() + "/endtoend-window.png"});
}

void tst_EndToEnd::closingDuringSlowSweepEndsAfterTheSweep()
{
    QProcess program;
    program.start(TICKORA_BINARY, {"--an-argument-it-ignores"});
    QVERIFY(program.waitForStarted(10000));
    // Let the first sweep run quickly, then slow the service down for the next one.
    QVERIFY(server.WaitForRequests(1, 15000));
    service.SetDelay(1500);
    const size_t nBefore = server.RequestCount();
    QVERIFY(server.WaitForRequests(nBefore + 1, 15000));

    QProcess search;
    search.start("xdotool", {"search", "--sync", "--all", "--pid", QString::number(program.processId()),
                             "--name", kTitle});
    QVERIFY(search.waitForFinished(10000));
    const unsigned long nWindow = search.readAllStandardOutput().trimmed().split('\n').value(0).toULong();
    QVERIFY(nWindow != 0);

    // No icon theme here provides "select", so the window carries the compiled-in image.
    QProcess xprop;
    xprop.start("xprop", {"-id", QString::number(nWindow), "_NET_WM_ICON"});
    QVERIFY(xprop.waitForFinished(10000));
    QVERIFY(xprop.readAllStandardOutput().contains("Icon (32 x 32)"));

    QCOMPARE(QProcess::execute(XCLOSE_BINARY, {QString::number(nWindow)}), 0);

    // The window is gone from the screen at once, but the process waits for the sweep.
    QTest::qWait(300);
    QCOMPARE(program.state(), QProcess::Running);
    QVERIFY(program.waitForFinished(15000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
    QCOMPARE(server.RequestCount(), nBefore + 1);
}

QTEST_MAIN(tst_EndToEnd)
#include "tst_endtoend.moc"
