#pragma once

#include <QString>
#include <QThread>

#include <functional>
#include <mutex>

class CHttpClient;

// The worker's request state; there is deliberately no value 1.
enum CatchState : qint32
{
    CatchIdle = 0,
    CatchFetch = 2,
    CatchQuit = 3,
};

// The one background thread: fetches one quote line per code of the list last handed in and
// emits each response text. The window owns it, hands lists in with SetCodeList and stops it
// with SetState(CatchQuit) before waiting for it.
class CCatchThread : public QThread
{
    Q_OBJECT

public:
    explicit CCatchThread(QObject* parent = nullptr);
    ~CCatchThread() override;

    void StartCatch();
    void SetCodeList(QString list);
    void SetState(CatchState state);
    CatchState State();

    // Lets a test adjust the worker's client (time-outs, say) right after it is set up.
    // Call before StartCatch.
    void SetClientSetup(std::function<void(CHttpClient&)> setup);

    static const char* const kQuoteHost;

signals:
    void notifyResult(QString);

protected:
    void run() override;

private:
    void Sweep(CHttpClient& client, std::string& sResponse, const QString& sList);

    // The hand-off slot shared with the user-interface thread, all under one mutex. A standard
    // mutex rather than QMutex: its locking is visible to ThreadSanitizer, Qt's is not.
    CatchState nState = CatchIdle;
    QString sCodeList;
    std::mutex mutex;

    std::function<void(CHttpClient&)> clientSetup;
};
