// The whole road of a quote in a real window under Xvfb: typed code, poll, worker, the fake
// quote service behind libcurl's proxy variable, and the row filled in.
#include "FakeQuoteService.h"
#include "ProxyEnvironment.h"
#include "TestHttpServer.h"
#include "Tickora.h"
#include "WindowTable.h"
#include "XInput.h"

#include <QStandardItemModel>
#include <QTableView>
#include <QtTest>

#include <mutex>

namespace {

const QString kTitle = QString::fromUtf8("禾澜迷你股票监控器1.0");

} // namespace

class tst_EndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void typedCodeShowsItsQuote();
    void closingDuringSweepEndsAfterTheSweep();

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
}

void tst_EndToEnd::cleanup()
{
    server.Release("/list=sh600519");
}

void tst_EndToEnd::typedCodeShowsItsQuote()
{
    Tickora window;
    window.move(20, 20);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto* pView = window.findChild<QTableView*>("tableView");
    QStandardItemModel* pModel = TableModel(window);

    QVERIFY(TypeInto(*pView, pModel->index(1, 0), "002752"));
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

// The built program itself: the title and icon main() gives its window, and a close while a
// sweep is under way that ends the process only once the sweep is done.
void tst_EndToEnd::closingDuringSweepEndsAfterTheSweep()
{
    server.Hold("/list=sh600519");
    QProcess program;
    program.start(TICKORA_BINARY, {"--an-argument-it-ignores"});
    QVERIFY(program.waitForStarted(10000));
    QVERIFY2(server.WaitForRequests(1, 30000), "the program's first sweep asks for its default row");

    QProcess search;
    search.start("xdotool", {"search", "--sync", "--all", "--pid", QString::number(program.processId()),
                             "--name", kTitle});
    QVERIFY(search.waitForFinished(30000));
    const QString sWindow = QString::fromLatin1(search.readAllStandardOutput().trimmed().split('\n').value(0));
    QVERIFY2(sWindow.toULong() != 0, "the program's window carries its Chinese title");

    // No icon theme here provides "select", so the window carries the compiled-in image.
    QProcess xprop;
    xprop.start("xprop", {"-id", sWindow, "_NET_WM_ICON"});
    QVERIFY(xprop.waitForFinished(10000));
    QVERIFY(xprop.readAllStandardOutput().contains("Icon (32 x 32)"));

    QCOMPARE(QProcess::execute(XCLOSE_BINARY, {sWindow}), 0);
    // Closed: the window leaves the screen, while the process waits for the held answer.
    auto mapState = [&] {
        QProcess info;
        info.start("xwininfo", {"-id", sWindow});
        info.waitForFinished(10000);
        return QString::fromLatin1(info.readAllStandardOutput());
    };
    QTRY_VERIFY2_WITH_TIMEOUT(!mapState().contains("IsViewable"), "the closed window leaves the screen", 30000);
    QCOMPARE(program.state(), QProcess::Running);
    server.Release("/list=sh600519");
    QVERIFY2(program.waitForFinished(30000), "the program ends once its sweep is done");
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
    QCOMPARE(server.RequestCount(), size_t(1));
}

QTEST_MAIN(tst_EndToEnd)
#include "tst_endtoend.moc"
