// The whole road of a quote in a real window under Xvfb: typed code, poll, worker, the fake
// quote service behind libcurl's proxy variable, and the row filled in.
#include "BuiltProgram.h"
#include "DisplaySetup.h"
#include "FakeQuoteService.h"
#include "MissingTool.h"
#include "ProgramWindow.h"
#include "ProxyEnvironment.h"
#include "TestHttpServer.h"
#include "Tickora.h"
#include "WindowTable.h"
#include "XInput.h"

#include <QScreen>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QTableView>
#include <QtTest>

#include <cstdio>
#include <mutex>

#include <signal.h>

namespace {

const QString kTitle = QString::fromUtf8("禾澜迷你股票监控器1.0");
// Set for the copy of this program that shows the widest row on the scaled screen.
const char* const kFitChild = "TICKORA_FIT_CHILD";

// The child: the window as main() sets it up, holding the widest row and 20 more, on a screen
// whose scale the parent chose. Prints what does not show whole; its exit code counts it.
int ShowWidestRow(int argc, char* argv[])
{
    DisplaySetup::BeforeApplication();
    QApplication application(argc, argv);
    RouteNowhere(); // the sample row stays as written
    Tickora window;
    FillWithWidestRow(window);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        std::puts("the window was never shown");
        return 100;
    }
    const auto* pView = window.findChild<QTableView*>("tableView");
    QStringList cut;
    auto fnCut = [&] {
        cut.clear();
        for (int nColumn = 0; nColumn < 4; ++nColumn) {
            const QModelIndex index = TableModel(window)->index(0, nColumn);
            if (!TextFitsCell(*pView, index))
                cut << index.data().toString();
        }
        if (pView->horizontalScrollBar()->isVisible())
            cut << "a horizontal scroll bar";
        return cut;
    };
    // The layout follows the fitted font within a few turns of the event loop; what is still
    // cut after the bound is reported.
    if (!QTest::qWaitFor([&] { return fnCut().isEmpty(); }, 5000))
        fnCut();
    std::puts(qPrintable(cut.isEmpty() ? QString("whole") : "cut: " + cut.join(", ")));
    return cut.size();
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
    void closingDuringSweepEndsAfterTheSweep();
    void screenScaleKeepsTheRowWhole_data();
    void screenScaleKeepsTheRowWhole();

private:
    TestHttpServer server;
    FakeQuoteService service;
    std::mutex logMutex;
    QStringList log;
};

void tst_EndToEnd::initTestCase()
{
#ifndef Q_OS_WIN
    const QString sMissing = MissingTool({"xdotool", "xwininfo", "xprop", "xrdb"});
    QVERIFY2(sMissing.isEmpty(), qPrintable(sMissing));
    QVERIFY2(qEnvironmentVariableIsSet("DISPLAY"), "runs under xvfb-run");
#endif
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


void tst_EndToEnd::typedCodeShowsItsQuote()
{
    Tickora window;
    window.move(20, 20);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    // Active before the first key, as in tst_realwindow.
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    auto* pView = window.findChild<QTableView*>("tableView");
    QStandardItemModel* pModel = TableModel(window);
    // One rise from 1690.00 and one fall from 5.12.
    service.SetPrice("sh600519", 1706.90);
    service.SetPrice("sz002752", 5.07);

    QVERIFY(TypeInto(*pView, pModel->index(1, 0), "002752"));
    QTRY_COMPARE(pModel->rowCount(), 3);

    QTRY_COMPARE_WITH_TIMEOUT(pModel->item(1, 1)->text(), QString::fromUtf8("昇兴股份"), 10000);
    QTRY_COMPARE_WITH_TIMEOUT(pModel->item(0, 1)->text(), QString::fromUtf8("贵州茅台"), 10000);
    QCOMPARE(TableRow(window, 0), (QStringList{"600519", QString::fromUtf8("贵州茅台"), "1706.90", "1.00%"}));
    QCOMPARE(TableRow(window, 1), (QStringList{"002752", QString::fromUtf8("昇兴股份"), "5.07", "-0.98%"}));
    QCOMPARE(pModel->item(0, 3)->background().color(), QColor(255, 97, 0));
    QCOMPARE(pModel->item(1, 3)->background().color(), QColor(127, 255, 0));

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
    QGuiApplication::primaryScreen()->grabWindow(0, 0, 0, 340, 340)
        .save(QCoreApplication::applicationDirPath() + "/endtoend-window.png");
}

// The built program itself: the title and icon main() gives its window, a SIGPIPE it survives,
// and a close while a sweep is under way that ends the process only once the sweep is done.
void tst_EndToEnd::closingDuringSweepEndsAfterTheSweep()
{
    server.Hold("/list=sh600519");
    QProcess program;
    StartBuilt(program, TICKORA_BINARY, {"--an-argument-it-ignores"});
    QVERIFY(program.waitForStarted(10000));
    QVERIFY2(server.WaitForRequests(1, 30000), "the program's first sweep asks for its default row");

    const QString sWindow = ProgramWindow(program, kTitle);
    QVERIFY2(!sWindow.isEmpty(), "the program's window carries its Chinese title");

    // No icon theme here provides "select", so the window carries the compiled-in image.
#ifdef Q_OS_WIN
    qInfo("The window's icon is not read on Windows: Wine answers WM_GETICON from another process "
          "with none. scripts/windows-check.sh reads it from the window's X window.");
#else
    QCOMPARE(WindowIconWidth(sWindow), 32);
#endif
#ifndef Q_OS_WIN // Windows has no SIGPIPE
    // What a peer closing a connection mid-write raises: ignored, so the run below goes on.
    QCOMPARE(kill(static_cast<pid_t>(program.processId()), SIGPIPE), 0);
#endif

    QVERIFY(CloseWindow(sWindow));
    // Closed: the window leaves the screen, while the process waits for the held answer.
    QTRY_VERIFY2_WITH_TIMEOUT(!WindowShown(sWindow), "the closed window leaves the screen", 30000);
    QCOMPARE(program.state(), QProcess::Running);
    server.Release("/list=sh600519");
    QVERIFY2(program.waitForFinished(30000), "the program ends once its sweep is done");
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
    QCOMPARE(server.RequestCount(), size_t(1));
}

void tst_EndToEnd::screenScaleKeepsTheRowWhole_data()
{
    QTest::addColumn<int>("dpi"); // Xft.dpi, as the desktop sets it
    QTest::addColumn<QStringList>("environment");
    QTest::addColumn<double>("scale");
    QTest::addColumn<bool>("whole");
    QTest::newRow("96 dpi") << 96 << QStringList() << 1.0 << true;
    QTest::newRow("125 %") << 120 << QStringList() << 1.25 << true;
    QTest::newRow("150 %") << 144 << QStringList() << 1.5 << true;
    QTest::newRow("200 %") << 192 << QStringList() << 2.0 << true;
    QTest::newRow("QT_SCALE_FACTOR multiplies") << 96 << QStringList{"QT_SCALE_FACTOR=2"} << 2.0 << true;
    QTest::newRow("QT_SCREEN_SCALE_FACTORS replaces the screen's")
        << 192 << QStringList{"QT_SCREEN_SCALE_FACTORS=1.5"} << 1.5 << true;
    // The user turned scaling off: device pixels, and fonts too large for them.
    QTest::newRow("QT_ENABLE_HIGHDPI_SCALING=0")
        << 192 << QStringList{"QT_ENABLE_HIGHDPI_SCALING=0"} << 1.0 << false;
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0) // Qt 6 reads only QT_ENABLE_HIGHDPI_SCALING
    QTest::newRow("QT_AUTO_SCREEN_SCALE_FACTOR=0")
        << 192 << QStringList{"QT_AUTO_SCREEN_SCALE_FACTOR=0"} << 1.0 << false;
#endif
}

// The built program's window is 300 logical pixels wide on the screen, and the widest row shows
// whole at that scale.
void tst_EndToEnd::screenScaleKeepsTheRowWhole()
{
    QFETCH(int, dpi);
    QFETCH(QStringList, environment);
    QFETCH(double, scale);
    QFETCH(bool, whole);
    SetScreenDpi(dpi);
    QProcessEnvironment scaled = QProcessEnvironment::systemEnvironment();
    for (const QString& sSetting : environment)
        scaled.insert(sSetting.section('=', 0, 0), sSetting.section('=', 1));

    QProcess program;
    program.setProcessEnvironment(scaled);
    StartBuilt(program, TICKORA_BINARY);
    QVERIFY(program.waitForStarted(10000));
    const QString sWindow = ProgramWindow(program, kTitle);
    const int nWidth = WindowWidth(sWindow);
    QVERIFY(CloseWindow(sWindow));
    QVERIFY2(program.waitForFinished(30000), "the program ends when its window is closed");
    QVERIFY2(!sWindow.isEmpty(), "the program shows its window");
    QVERIFY2(qAbs(nWidth - 300 * scale) <= 1, qPrintable(QString("the window is %1 pixels wide").arg(nWidth)));

    QProcess child;
    scaled.insert(kFitChild, "1");
    child.setProcessEnvironment(scaled);
    StartBuilt(child, QCoreApplication::applicationFilePath());
    QVERIFY2(child.waitForFinished(60000), "the window with the widest row was shown and measured");
    const QString sShown = QString::fromUtf8(child.readAllStandardOutput()).trimmed();
    if (whole)
        QCOMPARE(sShown, QString("whole"));
    else
        QVERIFY2(sShown.startsWith("cut"), qPrintable(sShown));
}

void tst_EndToEnd::cleanup()
{
    server.Release("/list=sh600519");
    SetScreenDpi(96);
}

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsSet(kFitChild))
        return ShowWidestRow(argc, argv);
    QApplication application(argc, argv);
    application.setAttribute(Qt::AA_Use96Dpi, true);
    tst_EndToEnd test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_endtoend.moc"
