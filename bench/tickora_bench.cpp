// Speed and memory figures of the worker, the client and the window, each as a ratio against
// a baseline measured in the same run, or as a count. Prints "name: value (goal)" lines and
// writes them to results.json beside the program. Asserts nothing.
//
//   tickora_bench            all figures (a few minutes)
//   tickora_bench --quick    shorter runs, for a first look
//   tickora_bench --at-rest  only the memory and start-up of the real program (needs an X
//                            display; scripts/bench.sh brings Xvfb)
#include "CCatchThread.h"
#include "CHttpClient.h"
#include "FakeQuoteService.h"
#include "ProxyEnvironment.h"
#include "ResidentSize.h"
#include "QuoteCodec.h"
#include "QuoteText.h"
#include "TestHttpServer.h"
#include "Tickora.h"
#include "WindowTable.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardItemModel>
#include <QTableView>
#include <QTextCodec>
#include <QThread>
#include <QTimer>

#include <curl/curl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

bool bQuick = false;
QJsonObject results;

void Report(const QString& sName, double dValue, const QString& sUnit, const QString& sGoal)
{
    std::printf("%s: %.4g%s (%s)\n", qPrintable(sName), dValue, qPrintable(sUnit), qPrintable(sGoal));
    std::fflush(stdout);
    results[sName] = QJsonObject{{"value", dValue}, {"unit", sUnit}, {"goal", sGoal}};
}

double Median(std::vector<double> vecValues)
{
    std::sort(vecValues.begin(), vecValues.end());
    return vecValues.empty() ? 0.0 : vecValues[vecValues.size() / 2];
}

double Seconds(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

QString CodeList(int nCodes)
{
    static const QStringList known = {"sh600519", "sz000001", "sh601318", "sz002752", "sz300750", "sh688981"};
    QString sList;
    for (int i = 0; i < nCodes; ++i)
        sList += (i < known.size() ? known[i] : QString("sz%1").arg(100000 + i)) + ",";
    return sList;
}

// A worker counting its emissions as they happen, on its own thread.
class CountedWorker
{
public:
    CountedWorker()
    {
        QObject::connect(&worker, &CCatchThread::notifyResult, &worker,
                         [this](QString) {
                             std::lock_guard<std::mutex> lock(mutex);
                             // Wake the waiter only once: a wake-up per text would be
                             // the benchmark's own cost, not the worker's.
                             if (++nEmitted == nWanted)
                                 changed.notify_all();
                         },
                         Qt::DirectConnection);
        worker.StartCatch();
    }
    ~CountedWorker()
    {
        worker.SetState(CatchQuit);
        worker.quit();
        worker.wait();
    }
    // Hands in a list once the worker is idle; returns when nItems texts have been emitted.
    void Sweep(const QString& sList, int nItems)
    {
        Start(sList, nItems);
        WaitEmitted(nItems);
    }
    void WaitIdle()
    {
        while (worker.State() != CatchIdle)
            std::this_thread::sleep_for(std::chrono::microseconds(50));
    }
    void WaitEmitted(int nItems)
    {
        std::unique_lock<std::mutex> lock(mutex);
        nWanted = nItems;
        changed.wait(lock, [&] { return nEmitted >= nItems; });
    }
    void Start(const QString& sList, int nItems)
    {
        WaitIdle();
        {
            std::lock_guard<std::mutex> lock(mutex);
            nEmitted = 0;
            nWanted = nItems;
        }
        worker.SetCodeList(sList);
    }

    CCatchThread worker;

private:
    std::mutex mutex;
    std::condition_variable changed;
    int nEmitted = 0;
    int nWanted = 0;
};

size_t AppendBody(char* pData, size_t nSize, size_t nMemb, void* pTarget)
{
    static_cast<std::string*>(pTarget)->append(pData, nSize * nMemb);
    return nSize * nMemb;
}

// The baseline: the same requests with the same options, straight on libcurl.
void BareSweep(CURL* pCurl, const QStringList& items)
{
    std::string sBody;
    char szError[CURL_ERROR_SIZE];
    for (const QString& sItem : items) {
        const std::string sUrl = "http://hq.sinajs.cn/list=" + sItem.toStdString();
        curl_easy_reset(pCurl);
        curl_slist* pHeaders = nullptr;
        for (const std::string& sLine : HttpClientSettings::DefaultHeaders())
            pHeaders = curl_slist_append(pHeaders, sLine.c_str());
        pHeaders = curl_slist_append(pHeaders, "Referer:https://finance.sina.com.cn/");
        curl_easy_setopt(pCurl, CURLOPT_HTTPHEADER, pHeaders);
        curl_easy_setopt(pCurl, CURLOPT_ACCEPT_ENCODING, "gzip");
        curl_easy_setopt(pCurl, CURLOPT_TIMEOUT, 60L);
        curl_easy_setopt(pCurl, CURLOPT_CONNECTTIMEOUT, 10L);
        curl_easy_setopt(pCurl, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(pCurl, CURLOPT_URL, sUrl.c_str());
        curl_easy_setopt(pCurl, CURLOPT_HEADER, 0L);
        curl_easy_setopt(pCurl, CURLOPT_NOBODY, 0L);
        curl_easy_setopt(pCurl, CURLOPT_WRITEFUNCTION, AppendBody);
        curl_easy_setopt(pCurl, CURLOPT_WRITEDATA, &sBody);
        curl_easy_setopt(pCurl, CURLOPT_USERAGENT, HttpClientSettings().sUserAgent.c_str());
        curl_easy_setopt(pCurl, CURLOPT_ERRORBUFFER, szError);
        curl_easy_setopt(pCurl, CURLOPT_FORBID_REUSE, 1L);
        curl_easy_setopt(pCurl, CURLOPT_FRESH_CONNECT, 1L);
        curl_easy_setopt(pCurl, CURLOPT_FOLLOWLOCATION, 1L);
        curl_easy_setopt(pCurl, CURLOPT_MAXREDIRS, 30L);
        sBody.clear();
        curl_easy_perform(pCurl);
        curl_slist_free_all(pHeaders);
    }
}

// The baseline's thread. It must run the way the worker runs, or the ratio measures threads, not
// Tickora: one thread for the whole measurement, at the worker's priority, handed each round's
// list and looking for it every millisecond in between. A fresh thread for every round ran the
// same loop up to 1.6 times faster here (docs/performance.md says why).
class BareWorker
{
public:
    BareWorker()
        : pCurl(curl_easy_init())
        , pThread(QThread::create([this] { Run(); }))
    {
        pThread->start(QThread::HighestPriority);
    }
    ~BareWorker()
    {
        {
            std::lock_guard<std::mutex> lock(mutex);
            bQuit = true;
        }
        pThread->wait();
        curl_easy_cleanup(pCurl);
    }
    // Only while no sweep is handed in.
    CURL* Curl() const { return pCurl; }
    void Sweep(const QStringList& items)
    {
        std::unique_lock<std::mutex> lock(mutex);
        pItems = &items;
        changed.wait(lock, [&] { return pItems == nullptr; });
    }

private:
    void Run()
    {
        for (;;) {
            const QStringList* pList;
            {
                std::lock_guard<std::mutex> lock(mutex);
                if (bQuit)
                    return;
                pList = pItems;
            }
            if (!pList) {
                QThread::msleep(1);
                continue;
            }
            BareSweep(pCurl, *pList);
            {
                std::lock_guard<std::mutex> lock(mutex);
                pItems = nullptr;
            }
            changed.notify_all();
        }
    }

    CURL* pCurl;
    std::unique_ptr<QThread> pThread;
    std::mutex mutex;
    std::condition_variable changed;
    const QStringList* pItems = nullptr;
    bool bQuit = false;
};

void SweepOverhead()
{
    CountedWorker counted;
    BareWorker bare;
    for (int nCodes : {1, 10, 100}) {
        const QString sList = CodeList(nCodes);
        const QStringList items = sList.split(',', Qt::SkipEmptyParts);
        // At least 25 rounds: a median of fewer moved by more than the goal's margin between runs.
        const int nRounds = std::max(bQuick ? 3 : 25, (bQuick ? 100 : 400) / nCodes);
        std::vector<double> vecWorker;
        std::vector<double> vecBare;
        std::vector<double> vecFresh;
        counted.Sweep(sList, nCodes); // warm-up
        for (int nRound = 0; nRound < nRounds; ++nRound) {
            counted.WaitIdle();
            auto start = Clock::now();
            counted.Sweep(sList, nCodes);
            vecWorker.push_back(Seconds(start));
            start = Clock::now();
            bare.Sweep(items);
            vecBare.push_back(Seconds(start));
            if (nCodes == 100) {
                // The unfair baseline, kept beside the fair one to show what it hid.
                start = Clock::now();
                std::thread([&] { BareSweep(bare.Curl(), items); }).join();
                vecFresh.push_back(Seconds(start));
            }
        }
        const double dWorker = Median(vecWorker);
        const double dBare = Median(vecBare);
        std::printf("  %d codes: worker %.2f ms, bare libcurl %.2f ms per sweep (median of %d)\n", nCodes,
                    dWorker * 1e3, dBare * 1e3, nRounds);
        Report(QString("sweep_overhead_%1_codes").arg(nCodes), dWorker / dBare, "x bare libcurl",
               nCodes == 100 ? "at most 1.05" : "report");
        if (!vecFresh.empty()) {
            std::printf("  %d codes: bare libcurl on a fresh thread each sweep %.2f ms\n", nCodes,
                        Median(vecFresh) * 1e3);
            Report("sweep_bare_fresh_thread_100_codes", Median(vecFresh) / dBare, "x bare libcurl", "report");
        }
    }
}

void PickUpLatency(TestHttpServer& server)
{
    CountedWorker counted;
    std::atomic<int64_t> nArrivedNs{0};
    server.SetObserver([&](const RecordedRequest&) {
        nArrivedNs = Clock::now().time_since_epoch().count();
    });
    const int nLists = bQuick ? 200 : 1000;
    std::vector<double> vecMs;
    for (int i = 0; i < nLists; ++i) {
        counted.WaitIdle();
        nArrivedNs = 0;
        const auto start = Clock::now();
        counted.Start("sh600519,", 1);
        counted.WaitEmitted(1);
        const int64_t nArrived = nArrivedNs;
        vecMs.push_back((nArrived - start.time_since_epoch().count()) / 1e6);
    }
    server.SetObserver(nullptr);
    Report("pickup_latency_median", Median(vecMs), " ms", "at most 2 ms");
    Report("pickup_latency_worst", *std::max_element(vecMs.begin(), vecMs.end()), " ms", "report");
}

// Largest gap between ticks of a 1 ms timer on the user-interface thread.
double LargestTickGap(Tickora& window, int nMs)
{
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    QElapsedTimer clock;
    qint64 nLast = 0;
    qint64 nWorst = 0;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 nNow = clock.nsecsElapsed();
        if (nLast)
            nWorst = std::max(nWorst, nNow - nLast);
        nLast = nNow;
    });
    Q_UNUSED(window);
    QEventLoop loop;
    QTimer::singleShot(nMs, &loop, &QEventLoop::quit);
    clock.start();
    ticker.start(1);
    loop.exec();
    return nWorst / 1e6;
}

void WindowResponsiveness(FakeQuoteService& service)
{
    const int nMs = bQuick ? 3000 : 10000;
    QStringList codes;
    for (const QString& sItem : CodeList(20).split(',', Qt::SkipEmptyParts))
        codes << sItem.mid(2);

    Tickora window;
    window.show();
    FillTable(window, {});
    const double dIdle = LargestTickGap(window, nMs);

    service.SetDelay(200);
    FillTable(window, codes);
    const double dBusy = LargestTickGap(window, nMs);
    service.SetDelay(0);
    FillTable(window, {});

    std::printf("  largest gap between 1 ms ticks: worker idle %.2f ms, sweeping 20 slow codes %.2f ms\n", dIdle,
                dBusy);
    Report("window_largest_tick_gap_busy", dBusy, " ms", "under 10 ms");
    Report("window_tick_gap_busy_vs_idle", dBusy / dIdle, "x idle", "at most 1.5");
}

void Parsing()
{
    const QByteArray line = QByteArray::fromStdString(
        ToGbk(FakeQuoteService::QuoteLine("sh600519", "贵州茅台", 1690.00, 1710.50)));
    const std::string sLine = line.toStdString();
    const int nLines = bQuick ? 200000 : 1000000;

    auto start = Clock::now();
    size_t nSink = 0;
    for (int i = 0; i < nLines; ++i) {
        std::string sCopy = sLine;
        nSink += sCopy.size();
    }
    const double dCopy = nLines / Seconds(start);

    start = Clock::now();
    StockQuote quote;
    for (int i = 0; i < nLines; ++i) {
        CutQuote(sLine, quote);
        nSink += quote.sName.size();
    }
    const double dCut = nLines / Seconds(start);

    Tickora window;
    QStringList codes = {"600519"};
    for (int i = 1; i < 20; ++i)
        codes << QString::number(300000 + i);
    FillTable(window, codes);
    const QString text = QuoteCodec()->toUnicode(line);
    const int nWindowLines = nLines / 20;
    start = Clock::now();
    for (int i = 0; i < nWindowLines; ++i)
        window.HandleCatchResult(text);
    const double dWindow = nWindowLines / Seconds(start);
    if (nSink == 42)
        std::printf(" ");

    std::printf("  lines/s: plain copy %.3g, text to StockQuote %.3g, whole HandleCatchResult (20 rows) %.3g\n",
                dCopy, dCut, dWindow);
    Report("parse_lines_per_second", dCut, " lines/s", "at least 1000000");
    Report("parse_vs_plain_copy", dCopy / dCut, "x slower than a copy", "report");
    Report("handle_result_lines_per_second", dWindow, " lines/s", "report");
}

// Runs in a child process of its own, so that nothing but the program is measured.
int IdleChild(int nSeconds)
{
    Tickora window;
    window.show();
    FillTable(window, {});
    QTimer::singleShot(2000, [&] {
        rusage before{};
        getrusage(RUSAGE_SELF, &before);
        const auto start = Clock::now();
        QTimer::singleShot(nSeconds * 1000, [&, before, start] {
            rusage after{};
            getrusage(RUSAGE_SELF, &after);
            const double dWall = Seconds(start);
            auto cpu = [](const rusage& usage) {
                return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec
                     + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
            };
            const double dCpu = cpu(after) - cpu(before);
            const double dWakeups = (after.ru_nvcsw + after.ru_nivcsw - before.ru_nvcsw - before.ru_nivcsw) / dWall;
            std::printf("idle %.6f %.1f\n", dCpu / dWall, dWakeups);
            std::fflush(stdout);
            QCoreApplication::quit();
        });
    });
    return QCoreApplication::exec();
}

void IdleCost(const QString& sSelf)
{
    const int nSeconds = bQuick ? 5 : 20;
    QProcess child;
    child.start(sSelf, {"--idle-child", QString::number(nSeconds)});
    child.waitForFinished((nSeconds + 30) * 1000);
    const QStringList fields = QString::fromLatin1(child.readAllStandardOutput()).trimmed().split(' ');
    if (fields.size() != 3 || fields[0] != "idle") {
        std::printf("idle cost: the child gave no figures\n");
        return;
    }
    Report("idle_cpu_share_of_one_core", fields[1].toDouble() * 100.0, " %", "at most 1 %");
    Report("idle_wakeups_per_second", fields[2].toDouble(), " /s", "report");
}

void MemoryGrowth()
{
    const int nSweeps = bQuick ? 1000 : 10000;
    QStringList codes;
    for (const QString& sItem : CodeList(20).split(',', Qt::SkipEmptyParts))
        codes << sItem.mid(2);
    Tickora window;
    window.findChild<QTimer*>()->stop();
    FillTable(window, codes);
    const QString sList = window.CodeList();
    CountedWorker counted;
    QObject::connect(&counted.worker, &CCatchThread::notifyResult, &window, &Tickora::HandleCatchResult);
    size_t nAt100 = 0;
    for (int nSweep = 1; nSweep <= nSweeps; ++nSweep) {
        counted.Sweep(sList, 20);
        QCoreApplication::processEvents();
        if (nSweep == 100)
            nAt100 = ResidentBytes();
        if (nSweep % 2000 == 0)
            std::printf("  %d sweeps\n", nSweep);
    }
    QCoreApplication::processEvents();
    const size_t nAtEnd = ResidentBytes();
    std::printf("  resident size: %.2f MiB after 100 sweeps, %.2f MiB after %d\n", nAt100 / 1048576.0,
                nAtEnd / 1048576.0, nSweeps);
    Report(QString("memory_growth_100_to_%1_sweeps").arg(nSweeps), (double(nAtEnd) - double(nAt100)) / 1048576.0,
           " MiB", "under 1 MiB");
}

// In a child of its own, so that its peak resident size is its own: a worker fed 100 answers
// in a row, each a gzip bomb (64 MiB decoded) or a normal quote line.
int PeakChild(bool bHostile)
{
    TestHttpServer server;
    FakeQuoteService service;
    service.Serve(server);
    if (bHostile)
        server.SetHandler([](const RecordedRequest&) { return GzipBombReply(); });
    server.SetRecording(false);
    if (!server.Start())
        return 1;
    RouteThroughProxy(QByteArray::fromStdString(server.BaseUrl()));
    {
        CountedWorker counted;
        counted.Sweep(QString("sh600519,").repeated(100), 100);
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak %ld\n", usage.ru_maxrss);
    return 0;
}

void HostileAnswers(const QString& sSelf)
{
    auto peakKiB = [&](const char* pKind) {
        QProcess child;
        child.start(sSelf, {"--peak-child", pKind});
        child.waitForFinished(5 * 60 * 1000);
        const QStringList fields = QString::fromLatin1(child.readAllStandardOutput()).trimmed().split(' ');
        return fields.size() == 2 && fields[0] == "peak" ? fields[1].toDouble() : -1.0;
    };
    const double dNormal = peakKiB("normal");
    const double dHostile = peakKiB("bomb");
    std::printf("  peak resident size: %.1f MiB for 100 normal answers, %.1f MiB for 100 gzip bombs\n",
                dNormal / 1024.0, dHostile / 1024.0);
    Report("peak_resident_100_gzip_bombs_against_100_normal", dHostile / dNormal, "", "report; about 1");
}

// Destroying a window whose worker is idle: the worker notices within a poll.
void ClosingIdle()
{
    std::vector<double> vecMs;
    for (int i = 0; i < (bQuick ? 5 : 21); ++i) {
        auto pWindow = std::make_unique<Tickora>();
        std::this_thread::sleep_for(std::chrono::milliseconds(20)); // the worker is up and polling
        const Clock::time_point start = Clock::now();
        pWindow.reset();
        vecMs.push_back(Seconds(start) * 1000.0);
    }
    Report("closing_idle_window_median", Median(vecMs), " ms", "under 50 ms");
}

// 100 sweeps of the worker and its client with nothing else around, for valgrind.
int LeakRun()
{
    CountedWorker counted;
    const QString sList = CodeList(20);
    for (int i = 0; i < 100; ++i)
        counted.Sweep(sList, 20);
    return 0;
}

void Leaks(const QString& sSelf, const QByteArray& proxy)
{
    if (QProcess::execute("valgrind", {"--version"}) != 0) {
        std::printf("leaks: valgrind is not installed; skipped\n");
        return;
    }
    QProcess valgrind;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("http_proxy", proxy);
    valgrind.setProcessEnvironment(environment);
    valgrind.start("valgrind", {"--leak-check=full", "--errors-for-leak-kinds=definite,indirect",
                                "--suppressions=" TICKORA_VALGRIND_SUPPRESSIONS, sSelf, "--leak-run"});
    valgrind.waitForFinished(15 * 60 * 1000);
    const QString sReport = QString::fromLocal8Bit(valgrind.readAllStandardError());
    auto lost = [&](const QString& sKind) {
        const QRegularExpressionMatch match =
            QRegularExpression(sKind + " lost: ([0-9,]+) bytes").match(sReport);
        return match.hasMatch() ? QString(match.captured(1)).remove(',').toDouble() : 0.0;
    };
    const QRegularExpressionMatch errors = QRegularExpression("ERROR SUMMARY: ([0-9]+) errors").match(sReport);
    Report("valgrind_definitely_lost_bytes", lost("definitely"), " bytes", "0");
    Report("valgrind_indirectly_lost_bytes", lost("indirectly"), " bytes", "0");
    Report("valgrind_errors", errors.hasMatch() ? errors.captured(1).toDouble() : -1, "", "0");
}

// A program started on the X display, as a user starts it.
struct Started
{
    double dExposeMs = -1; // from the start to its first expose, -1 when none was seen
    double dRssMiB = -1;   // 4 s after the start, with quotes arriving
    double dDirtyMiB = -1; // Private_Dirty of the same moment
};

Started StartOnDisplay(const QString& sProgram, const QByteArray& gl)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "xcb");
    environment.insert("QT_XCB_GL_INTEGRATION", QString::fromLatin1(gl));
    // Qt's own event log names the first expose; both programs pay for the same log.
    environment.insert("QT_LOGGING_RULES", "qt.qpa.events=true");
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.setStandardOutputFile(QProcess::nullDevice());
    // waitForReadyRead waits on the read channel: the log's.
    process.setReadChannel(QProcess::StandardError);
    Started started;
    QElapsedTimer clock;
    clock.start();
    process.start(sProgram, QStringList());
    QByteArray log;
    while (clock.elapsed() < 10000 && process.state() != QProcess::NotRunning) {
        process.waitForReadyRead(100);
        log += process.readAllStandardError();
        if (log.contains("EXPOSE")) {
            started.dExposeMs = clock.nsecsElapsed() / 1e6;
            break;
        }
        // Keep only a tail, enough for a line cut by a read.
        log = log.right(200);
    }
    while (clock.elapsed() < 4000 && process.state() != QProcess::NotRunning) {
        process.waitForReadyRead(100);
        process.readAllStandardError();
    }
    QFile smaps(QString("/proc/%1/smaps_rollup").arg(process.processId()));
    if (smaps.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : smaps.readAll().split('\n')) {
            const QList<QByteArray> fields = line.simplified().split(' ');
            if (fields.size() >= 2 && fields[0] == "Rss:")
                started.dRssMiB = fields[1].toDouble() / 1024.0;
            if (fields.size() >= 2 && fields[0] == "Private_Dirty:")
                started.dDirtyMiB = fields[1].toDouble() / 1024.0;
        }
    }
    process.kill();
    process.waitForFinished();
    return started;
}

// Memory at rest and start-up of the real program against the floor (bare_window.cpp: the same
// table with a Chinese name, and libcurl fetching once a second), both without GL integration;
// and the program as it was with Qt 5's GLX set-up, to show what leaving it out saves.
void AtRest()
{
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        std::printf("at rest: no X display (DISPLAY); skipped\n");
        return;
    }
    const int nRuns = bQuick ? 3 : 7;
    auto median = [&](const QString& sProgram, const QByteArray& gl) {
        std::vector<double> vecExpose, vecRss, vecDirty;
        for (int i = 0; i < nRuns; ++i) {
            const Started started = StartOnDisplay(sProgram, gl);
            vecExpose.push_back(started.dExposeMs);
            vecRss.push_back(started.dRssMiB);
            vecDirty.push_back(started.dDirtyMiB);
        }
        return Started{Median(vecExpose), Median(vecRss), Median(vecDirty)};
    };
    const Started program = median(TICKORA_BINARY, "none");
    const Started floor = median(BARE_WINDOW_BINARY, "none");
    const Started programGl = median(TICKORA_BINARY, "xcb_glx");
    const QString sQt = QString("_qt%1").arg(QT_VERSION_MAJOR);
    std::printf("  Qt %s, resident MiB (private dirty): tickora %.1f (%.1f), floor %.1f (%.1f); "
                "tickora with GL %.1f (%.1f)\n",
                qVersion(), program.dRssMiB, program.dDirtyMiB, floor.dRssMiB, floor.dDirtyMiB,
                programGl.dRssMiB, programGl.dDirtyMiB);
    std::printf("  first expose: tickora %.1f ms, floor %.1f ms\n", program.dExposeMs, floor.dExposeMs);
    Report("resident_at_rest_vs_floor" + sQt, program.dRssMiB / floor.dRssMiB, "x", "at most 1.10");
    Report("private_dirty_at_rest_vs_floor" + sQt, program.dDirtyMiB / floor.dDirtyMiB, "x", "report");
    Report("resident_at_rest_against_with_gl" + sQt, program.dRssMiB / programGl.dRssMiB, "x", "report");
    Report("first_expose_vs_floor" + sQt, program.dExposeMs / floor.dExposeMs, "x", "at most 1.2");
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    bQuick = arguments.contains("--quick");

    if (arguments.value(1) == "--idle-child") {
        RouteNowhere();
        return IdleChild(arguments.value(2).toInt());
    }
    if (arguments.value(1) == "--leak-run")
        return LeakRun();
    if (arguments.value(1) == "--peak-child")
        return PeakChild(arguments.value(2) == "bomb");

    TestHttpServer server;
    FakeQuoteService service;
    service.Serve(server);
    if (!server.Start()) {
        std::fprintf(stderr, "cannot start the local quote service\n");
        return 1;
    }
    server.SetRecording(false); // a long run would pile up the server's own record
    const QByteArray proxy = QByteArray::fromStdString(server.BaseUrl());
    RouteThroughProxy(proxy);
    const QString sSelf = QCoreApplication::applicationFilePath();

    std::printf("Tickora benchmarks%s, against a local quote service on %s\n", bQuick ? " (quick)" : "",
                proxy.constData());
    const bool bAtRestOnly = arguments.contains("--at-rest");
    AtRest();
    if (!bAtRestOnly) {
        SweepOverhead();
        PickUpLatency(server);
        Parsing();
        WindowResponsiveness(service);
        IdleCost(sSelf);
        MemoryGrowth();
        HostileAnswers(sSelf);
        ClosingIdle();
        Leaks(sSelf, proxy);
    }

    const QString sJson = QCoreApplication::applicationDirPath() + "/results.json";
    QFile file(sJson);
    if (file.open(QIODevice::WriteOnly))
        file.write(QJsonDocument(results).toJson());
    std::printf("figures written to %s\n", qPrintable(sJson));
    return 0;
}
