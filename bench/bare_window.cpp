// The floor the window's memory and start-up are measured against: what any program showing
// this table must load, and nothing of Tickora's own. A bare Qt main window with the four
// headers and one row holding a Chinese name (so the same font is opened), and libcurl on a
// thread fetching one quote a second from the service its proxy variable points at.
#include <QApplication>
#include <QMainWindow>
#include <QStandardItemModel>
#include <QTableView>

#include <curl/curl.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

size_t Discard(char* /*pData*/, size_t nSize, size_t nMemb, void* /*pUser*/)
{
    return nSize * nMemb;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QMainWindow window;
    QStandardItemModel model(1, 4);
    model.setHorizontalHeaderLabels({"代码", "名称", "价格", "涨幅"});
    const QStringList row = {"600519", "贵州茅台", "1685.52", "-0.27%"};
    for (int nColumn = 0; nColumn < row.size(); ++nColumn)
        model.setItem(0, nColumn, new QStandardItem(row[nColumn]));
    auto* pView = new QTableView(&window);
    pView->setModel(&model);
    window.setCentralWidget(pView);
    window.resize(300, 302);
    window.show();

    std::atomic<bool> bQuit{false};
    std::thread fetcher([&bQuit] {
        CURL* pCurl = curl_easy_init();
        curl_easy_setopt(pCurl, CURLOPT_URL, "http://hq.sinajs.cn/list=sh600519");
        curl_easy_setopt(pCurl, CURLOPT_WRITEFUNCTION, Discard);
        while (!bQuit) {
            curl_easy_perform(pCurl);
            std::this_thread::sleep_for(std::chrono::seconds(1));
        }
        curl_easy_cleanup(pCurl);
    });
    const int nResult = QApplication::exec();
    bQuit = true;
    fetcher.join();
    return nResult;
}
