#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

// A scriptable HTTP/1.1 server on 127.0.0.1 with an ephemeral port, for tests and the fake
// quote service. Every connection gets its own thread; each answers one request and closes.
struct RecordedRequest
{
    std::string sRequestLine;              // e.g. "GET /list=sh600519 HTTP/1.1"
    std::string sTarget;                   // as sent: origin form or absolute form
    std::string sPath;                     // the origin part of the target
    std::vector<std::string> vecHeaderLines; // in the order received, without CRLF

    std::string Header(const std::string& sName) const; // value of the first such header
};

struct ScriptedReply
{
    int nStatus = 200;
    std::vector<std::string> vecHeaders;   // extra complete header lines
    std::string sBody;
    bool bGzip = false;          // compress the body and say so in Content-Encoding
    bool bBodyIsGzip = false;    // the body is gzip already: send it as it is, saying so
    bool bCorruptGzip = false;   // claim gzip but send bytes that are not
    int nDelayMs = 0;            // wait this long before answering
    bool bDrop = false;          // close without a byte of answer
    bool bResetMidBody = false;  // send half the body, then reset the connection
    bool bChunked = false;       // no Content-Length; send the body in HTTP chunks
    bool bEndless = false;       // chunked, the body sent again and again until the peer leaves
    bool bKeepAlive = false;     // offer to keep the connection for another request
};

struct TlsFiles
{
    std::string sCertFile;
    std::string sKeyFile;
};

class TestHttpServer
{
public:
    using Handler = std::function<ScriptedReply(const RecordedRequest&)>;

    TestHttpServer();
    ~TestHttpServer();
    TestHttpServer(const TestHttpServer&) = delete;
    TestHttpServer& operator=(const TestHttpServer&) = delete;

    // Serve TLS on the same port; call before Start. False where the tests are built without
    // OpenSSL (Windows).
    bool UseTls(const TlsFiles& files);
    // Binds 127.0.0.1:nPort (0: the system picks) and starts serving.
    bool Start(uint16_t nPort = 0);
    void Stop();
    uint16_t Port() const { return nPort; }
    std::string BaseUrl() const;

    // Answers for an exact path; any other path goes to the handler, or 404.
    void Script(const std::string& sPath, const ScriptedReply& reply);
    void SetHandler(Handler handler);
    // Forgets every scripted path.
    void ClearScripts();
    // A gate: requests for the path are recorded at once but answered only after Release
    // (or Stop), so a test decides when a reply comes instead of outrunning a delay.
    void Hold(const std::string& sPath);
    void Release(const std::string& sPath);
    // Called with each request as it arrives (from a connection thread).
    void SetObserver(std::function<void(const RecordedRequest&)> observer);

    // Off: requests are answered but not kept, for long runs.
    void SetRecording(bool bOn);
    std::vector<RecordedRequest> Requests() const;
    size_t RequestCount() const;
    void ClearRequests();
    bool WaitForRequests(size_t nCount, int nTimeoutMs) const;
    size_t ConnectionCount() const;

private:
    void AcceptLoop();
    class Connection;
    void Serve(std::intptr_t nSocket);
    bool ServeOne(Connection& connection, std::string& sPending);
    bool Pause(int nMs);

    struct Tls;
    std::unique_ptr<Tls> pTls;
    std::intptr_t nListenSocket = -1; // a SOCKET on Windows, a descriptor elsewhere
    uint16_t nPort = 0;
    bool bStopping = false;
    std::thread acceptThread;
    size_t nActive = 0;
    std::map<std::string, ScriptedReply> mapScripts;
    std::set<std::string> setHeld;
    Handler handler;
    std::function<void(const RecordedRequest&)> observer;
    std::vector<RecordedRequest> vecRequests;
    size_t nConnections = 0;
    bool bRecording = true;
    mutable std::mutex mutex;
    mutable std::condition_variable changed;
};

// A loopback port that nothing listens on (bound once, then released), for refused connections.
uint16_t ClosedLoopbackPort();

// gzip-compresses a text (RFC 1952), as a server with Content-Encoding: gzip sends it.
std::string GzipText(const std::string& sText);
// The gzip form of sBlock repeated nTimes, made without holding the decoded text.
std::string GzipRepeated(const std::string& sBlock, size_t nTimes);
// A reply of about 64 KiB on the wire that decodes to 64 MiB.
ScriptedReply GzipBombReply();
