#include "TestHttpServer.h"

#ifdef TICKORA_TEST_TLS
#include <openssl/err.h>
#include <openssl/ssl.h>
#endif
#include <zlib.h>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <strings.h>

namespace {

// The few socket calls that differ between POSIX and Winsock. Sockets are never inherited by
// the programs a test starts.
#ifdef _WIN32
using socklen_t = int;
constexpr int MSG_NOSIGNAL = 0; // Winsock raises no signal on a closed peer
// Winsock works only once started, before the first socket of the process.
const bool bWinsock = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
}();
std::intptr_t OpenSocket()
{
    const SOCKET nSocket = WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT);
    return nSocket == INVALID_SOCKET ? -1 : static_cast<std::intptr_t>(nSocket);
}
std::intptr_t AcceptSocket(std::intptr_t nListen)
{
    const SOCKET nSocket = accept(static_cast<SOCKET>(nListen), nullptr, nullptr);
    return nSocket == INVALID_SOCKET ? -1 : static_cast<std::intptr_t>(nSocket);
}
void CloseSocket(std::intptr_t nSocket)
{
    closesocket(static_cast<SOCKET>(nSocket));
}
int Poll(pollfd* pWait, int nMs)
{
    return WSAPoll(pWait, 1, nMs);
}
#else
std::intptr_t OpenSocket()
{
    return socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
}
std::intptr_t AcceptSocket(std::intptr_t nListen)
{
    return accept4(static_cast<int>(nListen), nullptr, nullptr, SOCK_CLOEXEC);
}
void CloseSocket(std::intptr_t nSocket)
{
    close(static_cast<int>(nSocket));
}
int Poll(pollfd* pWait, int nMs)
{
    return poll(pWait, 1, nMs);
}
#endif

template <typename T>
int SetOption(std::intptr_t nSocket, int nLevel, int nName, const T& value)
{
    // Winsock takes the value as a char pointer, POSIX as a void pointer.
    return setsockopt(nSocket, nLevel, nName, reinterpret_cast<const char*>(&value), sizeof value);
}

} // namespace

struct TestHttpServer::Tls
{
#ifdef TICKORA_TEST_TLS
    SSL_CTX* pContext = nullptr;
    ~Tls() { SSL_CTX_free(pContext); }
#endif
};

// One accepted connection, plain or TLS.
class TestHttpServer::Connection
{
public:
    Connection(std::intptr_t nSocket, Tls* pTls) : nSocket(nSocket)
    {
#ifdef TICKORA_TEST_TLS
        if (pTls) {
            pSsl = SSL_new(pTls->pContext);
            SSL_set_fd(pSsl, static_cast<int>(nSocket));
            bReady = SSL_accept(pSsl) == 1;
        }
#else
        (void)pTls;
#endif
    }
    ~Connection()
    {
#ifdef TICKORA_TEST_TLS
        if (pSsl) {
            if (bReady)
                SSL_shutdown(pSsl);
            SSL_free(pSsl);
        }
#endif
        CloseSocket(nSocket);
    }
    bool Ready() const { return bReady; }

    long Read(char* pBuffer, size_t nSize)
    {
#ifdef TICKORA_TEST_TLS
        if (pSsl)
            return SSL_read(pSsl, pBuffer, static_cast<int>(nSize));
#endif
        return recv(nSocket, pBuffer, static_cast<int>(nSize), 0);
    }
    bool Write(const std::string& sData)
    {
        size_t nDone = 0;
        while (nDone < sData.size()) {
            const char* pFrom = sData.data() + nDone;
            const size_t nLeft = sData.size() - nDone;
#ifdef TICKORA_TEST_TLS
            const long nSent = pSsl ? SSL_write(pSsl, pFrom, static_cast<int>(nLeft))
                                    : send(nSocket, pFrom, static_cast<int>(nLeft), MSG_NOSIGNAL);
#else
            const long nSent = send(nSocket, pFrom, static_cast<int>(nLeft), MSG_NOSIGNAL);
#endif
            if (nSent <= 0)
                return false;
            nDone += static_cast<size_t>(nSent);
        }
        return true;
    }
    // An abortive close: the peer sees a reset, not an orderly end.
    void Reset()
    {
        SetOption(nSocket, SOL_SOCKET, SO_LINGER, linger{1, 0});
        bReady = false;
    }

private:
    std::intptr_t nSocket;
#ifdef TICKORA_TEST_TLS
    SSL* pSsl = nullptr;
#endif
    bool bReady = true;
};

namespace {

const char* Reason(int nStatus)
{
    switch (nStatus) {
    case 200: return "OK";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    default: return "Status";
    }
}

bool ParseRequest(const std::string& sHead, RecordedRequest& request)
{
    size_t nPos = 0;
    bool bFirst = true;
    while (nPos < sHead.size()) {
        size_t nEnd = sHead.find("\r\n", nPos);
        if (nEnd == std::string::npos)
            nEnd = sHead.size();
        std::string sLine = sHead.substr(nPos, nEnd - nPos);
        nPos = nEnd + 2;
        if (bFirst) {
            request.sRequestLine = sLine;
            bFirst = false;
        } else if (!sLine.empty()) {
            request.vecHeaderLines.push_back(sLine);
        }
    }
    const size_t nSpace = request.sRequestLine.find(' ');
    const size_t nLast = request.sRequestLine.rfind(' ');
    if (nSpace == std::string::npos || nLast <= nSpace)
        return false;
    request.sTarget = request.sRequestLine.substr(nSpace + 1, nLast - nSpace - 1);
    request.sPath = request.sTarget;
    const size_t nScheme = request.sTarget.find("://");
    if (nScheme != std::string::npos) {
        const size_t nSlash = request.sTarget.find('/', nScheme + 3);
        request.sPath = nSlash == std::string::npos ? "/" : request.sTarget.substr(nSlash);
    }
    return true;
}

} // namespace

std::string RecordedRequest::Header(const std::string& sName) const
{
    for (const std::string& sLine : vecHeaderLines) {
        const size_t nColon = sLine.find(':');
        if (nColon == sName.size() && strncasecmp(sLine.c_str(), sName.c_str(), nColon) == 0) {
            size_t nValue = nColon + 1;
            while (nValue < sLine.size() && sLine[nValue] == ' ')
                ++nValue;
            return sLine.substr(nValue);
        }
    }
    return std::string();
}

std::string GzipRepeated(const std::string& sBlock, size_t nTimes)
{
    z_stream stream{};
    deflateInit2(&stream, Z_BEST_SPEED, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY);
    std::string sOut;
    char szBuffer[16384];
    for (size_t i = 0; i <= nTimes; ++i) {
        const bool bLast = i == nTimes;
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(sBlock.data()));
        stream.avail_in = bLast ? 0 : static_cast<uInt>(sBlock.size());
        do {
            stream.next_out = reinterpret_cast<Bytef*>(szBuffer);
            stream.avail_out = sizeof szBuffer;
            deflate(&stream, bLast ? Z_FINISH : Z_NO_FLUSH);
            sOut.append(szBuffer, sizeof szBuffer - stream.avail_out);
        } while (stream.avail_out == 0);
    }
    deflateEnd(&stream);
    return sOut;
}

ScriptedReply GzipBombReply()
{
    static const std::string sBomb = GzipRepeated(std::string(64 * 1024, 'x'), 1024);
    ScriptedReply reply;
    reply.sBody = sBomb;
    reply.bBodyIsGzip = true;
    return reply;
}

std::string GzipText(const std::string& sText)
{
    return GzipRepeated(sText, 1);
}

uint16_t ClosedLoopbackPort()
{
    const std::intptr_t nSocket = OpenSocket();
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t nLength = sizeof address;
    bind(nSocket, reinterpret_cast<sockaddr*>(&address), sizeof address);
    getsockname(nSocket, reinterpret_cast<sockaddr*>(&address), &nLength);
    CloseSocket(nSocket);
    return ntohs(address.sin_port);
}

TestHttpServer::TestHttpServer() = default;

TestHttpServer::~TestHttpServer()
{
    Stop();
}

bool TestHttpServer::UseTls(const TlsFiles& files)
{
    pTls = std::make_unique<Tls>();
#ifdef TICKORA_TEST_TLS
    pTls->pContext = SSL_CTX_new(TLS_server_method());
    return pTls->pContext
        && SSL_CTX_use_certificate_chain_file(pTls->pContext, files.sCertFile.c_str()) == 1
        && SSL_CTX_use_PrivateKey_file(pTls->pContext, files.sKeyFile.c_str(), SSL_FILETYPE_PEM) == 1;
#else
    (void)files;
    return false;
#endif
}

bool TestHttpServer::Start(uint16_t nWantedPort)
{
    nListenSocket = OpenSocket();
    if (nListenSocket < 0)
        return false;
    SetOption(nListenSocket, SOL_SOCKET, SO_REUSEADDR, 1);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(nWantedPort);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t nLength = sizeof address;
    if (bind(nListenSocket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0
        || listen(nListenSocket, 64) != 0
        || getsockname(nListenSocket, reinterpret_cast<sockaddr*>(&address), &nLength) != 0) {
        CloseSocket(nListenSocket);
        nListenSocket = -1;
        return false;
    }
    nPort = ntohs(address.sin_port);
    acceptThread = std::thread(&TestHttpServer::AcceptLoop, this);
    return true;
}

void TestHttpServer::Stop()
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (nListenSocket < 0)
            return;
        bStopping = true;
    }
    changed.notify_all();
    if (acceptThread.joinable())
        acceptThread.join();
    {
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait(lock, [&] { return nActive == 0; });
    }
    CloseSocket(nListenSocket);
    nListenSocket = -1;
}

std::string TestHttpServer::BaseUrl() const
{
    return std::string(pTls ? "https" : "http") + "://127.0.0.1:" + std::to_string(nPort);
}

void TestHttpServer::Script(const std::string& sPath, const ScriptedReply& reply)
{
    std::lock_guard<std::mutex> lock(mutex);
    mapScripts[sPath] = reply;
}

void TestHttpServer::ClearScripts()
{
    std::lock_guard<std::mutex> lock(mutex);
    mapScripts.clear();
}

void TestHttpServer::Hold(const std::string& sPath)
{
    std::lock_guard<std::mutex> lock(mutex);
    setHeld.insert(sPath);
}

void TestHttpServer::Release(const std::string& sPath)
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        setHeld.erase(sPath);
    }
    changed.notify_all();
}

void TestHttpServer::SetHandler(Handler newHandler)
{
    std::lock_guard<std::mutex> lock(mutex);
    handler = std::move(newHandler);
}

void TestHttpServer::SetObserver(std::function<void(const RecordedRequest&)> newObserver)
{
    std::lock_guard<std::mutex> lock(mutex);
    observer = std::move(newObserver);
}

void TestHttpServer::SetRecording(bool bOn)
{
    std::lock_guard<std::mutex> lock(mutex);
    bRecording = bOn;
}

std::vector<RecordedRequest> TestHttpServer::Requests() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return vecRequests;
}

size_t TestHttpServer::RequestCount() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return vecRequests.size();
}

void TestHttpServer::ClearRequests()
{
    std::lock_guard<std::mutex> lock(mutex);
    vecRequests.clear();
}

size_t TestHttpServer::ConnectionCount() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return nConnections;
}

bool TestHttpServer::WaitForRequests(size_t nCount, int nTimeoutMs) const
{
    std::unique_lock<std::mutex> lock(mutex);
    return changed.wait_for(lock, std::chrono::milliseconds(nTimeoutMs),
                            [&] { return vecRequests.size() >= nCount; });
}

bool TestHttpServer::Pause(int nMs)
{
    std::unique_lock<std::mutex> lock(mutex);
    return !changed.wait_for(lock, std::chrono::milliseconds(nMs), [&] { return bStopping; });
}

void TestHttpServer::AcceptLoop()
{
#ifndef _WIN32
    // OpenSSL writes to the socket without MSG_NOSIGNAL, so a client that has already closed
    // would end the whole test with SIGPIPE. Blocked here, where every connection thread
    // inherits it, such a write fails with EPIPE instead.
    sigset_t pipeSignal;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSignal, nullptr);
#endif
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(mutex);
            if (bStopping)
                return;
        }
        pollfd wait{};
        wait.fd = nListenSocket;
        wait.events = POLLIN;
        if (Poll(&wait, 20) <= 0)
            continue;
        const std::intptr_t nSocket = AcceptSocket(nListenSocket);
        if (nSocket < 0)
            continue;
        std::lock_guard<std::mutex> lock(mutex);
        ++nConnections;
        ++nActive;
        // Detached, so that a long run does not keep every finished thread; Stop waits for
        // the count of active ones to reach zero.
        std::thread(&TestHttpServer::Serve, this, nSocket).detach();
    }
}

void TestHttpServer::Serve(std::intptr_t nSocket)
{
    {
        Connection connection(nSocket, pTls.get());
        std::string sPending;
        while (connection.Ready() && ServeOne(connection, sPending)) {
        }
    }
    // Last touch of this object: Stop may destroy it as soon as the count reaches zero.
    std::lock_guard<std::mutex> lock(mutex);
    --nActive;
    changed.notify_all();
}

// Answers one request; true when the connection stays open for another.
bool TestHttpServer::ServeOne(Connection& connection, std::string& sPending)
{
    char szBuffer[4096];
    size_t nEnd;
    while ((nEnd = sPending.find("\r\n\r\n")) == std::string::npos) {
        const long nRead = connection.Read(szBuffer, sizeof szBuffer);
        if (nRead <= 0 || sPending.size() > (1u << 20))
            return false;
        sPending.append(szBuffer, static_cast<size_t>(nRead));
    }
    RecordedRequest request;
    const bool bParsed = ParseRequest(sPending.substr(0, nEnd), request);
    sPending.erase(0, nEnd + 4);
    if (!bParsed)
        return false;

    ScriptedReply reply;
    std::function<void(const RecordedRequest&)> notify;
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (bRecording)
            vecRequests.push_back(request);
        notify = observer;
        auto it = mapScripts.find(request.sPath);
        if (it != mapScripts.end())
            reply = it->second;
        else if (handler)
            reply = handler(request);
        else
            reply = ScriptedReply{404, {}, "no such path\n"};
    }
    changed.notify_all();
    if (notify)
        notify(request);
    {
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait(lock, [&] { return bStopping || setHeld.count(request.sPath) == 0; });
        if (bStopping)
            return false;
    }

    if (reply.nDelayMs > 0 && !Pause(reply.nDelayMs))
        return false;
    if (reply.bDrop)
        return false;

    std::string sBody = reply.sBody;
    std::string sHeaders = "HTTP/1.1 " + std::to_string(reply.nStatus) + " " + Reason(reply.nStatus) + "\r\n";
    if (reply.bGzip || reply.bCorruptGzip || reply.bBodyIsGzip) {
        if (reply.bGzip)
            sBody = GzipText(sBody);
        else if (reply.bCorruptGzip)
            sBody = std::string("\x1f\x8b\x08\x00garbage that inflates to nothing", 37);
        sHeaders += "Content-Encoding: gzip\r\n";
    }
    for (const std::string& sLine : reply.vecHeaders)
        sHeaders += sLine + "\r\n";
    if (reply.bChunked || reply.bEndless)
        sHeaders += "Transfer-Encoding: chunked\r\n";
    else
        sHeaders += "Content-Length: " + std::to_string(sBody.size()) + "\r\n";
    sHeaders += reply.bKeepAlive ? "Connection: keep-alive\r\n\r\n" : "Connection: close\r\n\r\n";
    if (!connection.Write(sHeaders))
        return false;

    if (reply.bResetMidBody) {
        connection.Write(sBody.substr(0, sBody.size() / 2));
        connection.Reset();
        return false;
    }
    if (!reply.bChunked && !reply.bEndless)
        return connection.Write(sBody) && reply.bKeepAlive;
    auto writeChunk = [&](const std::string& sPiece) {
        char szSize[32];
        std::snprintf(szSize, sizeof szSize, "%zx\r\n", sPiece.size());
        return connection.Write(szSize + sPiece + "\r\n");
    };
    if (reply.bEndless) {
        // Ends when the peer gives up or the server stops.
        while (!sBody.empty() && writeChunk(sBody)) {
            std::lock_guard<std::mutex> lock(mutex);
            if (bStopping)
                break;
        }
        return false;
    }
    const size_t nPiece = 1000;
    for (size_t nPos = 0; nPos < sBody.size(); nPos += nPiece) {
        if (!writeChunk(sBody.substr(nPos, nPiece)))
            return false;
    }
    return connection.Write("0\r\n\r\n") && reply.bKeepAlive;
}
