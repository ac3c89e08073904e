#include "CCatchThread.h"

#include "CHttpClient.h"
#include "QuoteCodec.h"

#include <QStringList>
#include <QTextCodec>

#include <utility>

const char* const CCatchThread::kQuoteHost = "hq.sinajs.cn";

CCatchThread::CCatchThread(QObject* parent)
    : QThread(parent)
{
}

CCatchThread::~CCatchThread()
{
    requestInterruption();
    // run() ends under this lock. Taking it once more orders everything the thread did
    // before the object is freed, visibly to ThreadSanitizer, which cannot see the ordering
    // that QThread::wait gives inside Qt.
    std::lock_guard<std::mutex> locker(mutex);
}

void CCatchThread::StartCatch()
{
    start(QThread::HighestPriority);
}

void CCatchThread::SetCodeList(QString list)
{
    std::lock_guard<std::mutex> locker(mutex);
    sCodeList = std::move(list);
    nState = CatchFetch;
}

void CCatchThread::SetState(CatchState state)
{
    std::lock_guard<std::mutex> locker(mutex);
    nState = state;
}

// cppcheck-suppress unusedFunction ; for the tests, which watch the worker's state
CatchState CCatchThread::State()
{
    std::lock_guard<std::mutex> locker(mutex);
    return nState;
}

// cppcheck-suppress unusedFunction ; for the tests, which shorten the client's time-outs
void CCatchThread::SetClientSetup(std::function<void(CHttpClient&)> setup)
{
    clientSetup = std::move(setup);
}

// cppcheck-suppress unusedFunction ; QThread calls it, an override
void CCatchThread::run()
{
    CHttpClient client;
    client.pCurl = curl_easy_init();
    // The service refuses requests that do not come from its finance site.
    client.settings.sExtraHeaderA = "Referer:https://finance.sina.com.cn/";
    if (clientSetup)
        clientSetup(client);
    std::string sResponse;

    while (!isInterruptionRequested()) {
        CatchState nSeen;
        QString sList;
        {
            std::lock_guard<std::mutex> locker(mutex);
            nSeen = nState;
            if (nSeen == CatchFetch)
                sList = sCodeList;
        }
        if (nSeen == CatchQuit)
            break;
        if (nSeen != CatchFetch) {
            QThread::msleep(1);
            continue;
        }
        Sweep(client, sResponse, sList);
    }

    curl_easy_cleanup(client.pCurl);
    client.pCurl = nullptr;
    // The thread's last touch of this object, under the lock the destructor takes too.
    std::lock_guard<std::mutex> locker(mutex);
}

// One pass over a list: every item is requested, whatever is handed in meanwhile.
void CCatchThread::Sweep(CHttpClient& client, std::string& sResponse, const QString& sList)
{
    const QStringList items = sList.split(",", Qt::KeepEmptyParts, Qt::CaseSensitive);
    for (const QString& sItem : items) {
        if (sItem.length() == 0)
            continue;
        const std::string sUrl = std::string("http://") + kQuoteHost + "/list=" + sItem.toStdString();
        client.Get(sResponse, sUrl, 10);
        emit notifyResult(QuoteCodec()->toUnicode(sResponse.c_str()));
    }

    // Lists handed in during the sweep are dropped; the next tick brings a fresh one.
    std::lock_guard<std::mutex> locker(mutex);
    if (nState != CatchQuit)
        nState = CatchIdle;
}
