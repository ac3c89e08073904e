#include "CHttpClient.h"
#include "FailureSentence.h"
#include "MissingTool.h"
#include "TestHttpServer.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>


namespace {

QByteArray Q(const std::string& s)
{
    return QByteArray::fromStdString(s);
}

QList<QByteArray> HeaderLines(const RecordedRequest& request)
{
    QList<QByteArray> lines;
    for (const std::string& sLine : request.vecHeaderLines)
        lines << Q(sLine);
    return lines;
}

int CountStarting(const QList<QByteArray>& lines, const QByteArray& prefix)
{
    return static_cast<int>(std::count_if(lines.begin(), lines.end(),
                                          [&](const QByteArray& line) { return line.startsWith(prefix); }));
}


std::string Patterned(size_t nSize)
{
    std::string s(nSize, 'a');
    for (size_t i = 0; i < nSize; ++i)
        s[i] = static_cast<char>('a' + (i * 7 + i / 26) % 26);
    return s;
}

const QList<QByteArray> kDefaultLines = {
    "Accept:text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8",
    "Accept-Charset:GBK,utf-8;q=0.7,*;q=0.3",
    "Accept-Language:zh-CN,zh;q=0.8",
    "Accept-Encoding:gzip,deflate,sdch",
};

} // namespace

class tst_HttpClient : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void defaultRequestCarriesTheFourLinesInOrder();
    void everyRequestOpensAFreshConnection();
    void resultRules_data();
    void resultRules();
    void refusedConnectionGivesStatusZero();
    void missingHandleChangesNothingElse();
    void ownBodyAsResponse_data();
    void ownBodyAsResponse();
    void bodyChunkWithZeroByteLosesOnlyItsRest();
    void bodyEncodings_data();
    void bodyEncodings();
    void detailsAfterRedirect();
    void redirectLoopStopsAtThirty();
    void timesAreOrdered();
    void cookiesOfOneRequestAreOfferedToTheNext();
    void cookieListIsRewrittenEvenWhenNotOffered();
    void homePageCookiesReachTheRealRequest();
    void onlyEmptyCustomHeadersSendNone();
    void extraHeadersComeLastBThenA();
    void zeroConnectTimeoutSetsNoTimeOut_data();
    void zeroConnectTimeoutSetsNoTimeOut();
    void optionsDoNotCarryOverAReset_data();
    void optionsDoNotCarryOverAReset();
    void headersGatherAcrossCalls();
    void tlsIsVerifiedUnlessSkipped_data();
    void tlsIsVerifiedUnlessSkipped();

private:
    TestHttpServer server;
    CHttpClient* pClient = nullptr;
    std::string Url(const std::string& sPath) const { return server.BaseUrl() + sPath; }
};

void tst_HttpClient::initTestCase()
{
#ifdef TICKORA_TEST_TLS
    QVERIFY2(MissingTool({"openssl"}).isEmpty(), qPrintable(MissingTool({"openssl"})));
#endif
    // Every request here goes straight to the loopback server.
    for (const char* pName : {"http_proxy", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"})
        qunsetenv(pName);
    QVERIFY(server.Start());
    server.SetHandler([](const RecordedRequest& request) {
        return ScriptedReply{200, {}, "echo " + request.sPath};
    });
}

void tst_HttpClient::init()
{
    server.ClearRequests();
    pClient = new CHttpClient;
    pClient->pCurl = curl_easy_init();
    QVERIFY(pClient->pCurl);
}

void tst_HttpClient::cleanup()
{
    curl_easy_cleanup(pClient->pCurl);
    delete pClient;
    pClient = nullptr;
}

void tst_HttpClient::defaultRequestCarriesTheFourLinesInOrder()
{
    std::string sResponse;
    QVERIFY(pClient->Get(sResponse, Url("/list=sh600519"), 10));
    QCOMPARE(Q(sResponse), QByteArray("echo /list=sh600519"));

    const std::vector<RecordedRequest> requests = server.Requests();
    QCOMPARE(requests.size(), size_t(1));
    QCOMPARE(Q(requests[0].sRequestLine), QByteArray("GET /list=sh600519 HTTP/1.1"));
    const QList<QByteArray> lines = HeaderLines(requests[0]);
    const int nFirst = lines.indexOf(kDefaultLines[0]);
    QVERIFY2(nFirst >= 0, lines.join(" | ").constData());
    QCOMPARE(lines.mid(nFirst, 4), kDefaultLines);
    // The custom lines replace libcurl's own Accept and Accept-Encoding.
    QCOMPARE(CountStarting(lines, "Accept:"), 1);
    QCOMPARE(CountStarting(lines, "Accept-Encoding"), 1);
    QCOMPARE(Q(requests[0].Header("User-Agent")),
             QByteArray("Mozilla/5.0 (Windows NT 6.1; WOW64) AppleWebKit/537.36 (KHTML, like Gecko) "
                        "Chrome/36.0.1985.143 Safari/537.36"));
    QVERIFY(requests[0].Header("Cookie").empty());
}

void tst_HttpClient::everyRequestOpensAFreshConnection()
{
    ScriptedReply keep{200, {}, "kept?"};
    keep.bKeepAlive = true;
    server.Script("/keep", keep);
    const size_t nBefore = server.ConnectionCount();
    std::string sResponse;
    for (int i = 0; i < 3; ++i)
        QVERIFY(pClient->Get(sResponse, Url("/keep"), 10));
    QCOMPARE(server.RequestCount(), size_t(3));
    QCOMPARE(server.ConnectionCount() - nBefore, size_t(3));
}

void tst_HttpClient::resultRules_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QByteArray>("response");

    QTest::newRow("200 with body") << 200 << QByteArray("line") << true << QByteArray("line");
    QTest::newRow("200 with empty body is no failure") << 200 << QByteArray() << true << QByteArray();
    QTest::newRow("404 with body counts as success") << 404 << QByteArray("gone") << true << QByteArray("gone");
    QTest::newRow("404 without body") << 404 << QByteArray() << false
                                      << FailureSentence(404, CURLE_OK);
    QTest::newRow("500 with html page") << 500 << QByteArray("<html>oops</html>") << true
                                        << QByteArray("<html>oops</html>");
    QTest::newRow("403 without body") << 403 << QByteArray() << false
                                      << FailureSentence(403, CURLE_OK);
}

void tst_HttpClient::resultRules()
{
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(bool, ok);
    QFETCH(QByteArray, response);
    server.Script("/rule", ScriptedReply{status, {}, body.toStdString()});

    std::string sResponse = "left over from before";
    QCOMPARE(pClient->Get(sResponse, Url("/rule"), 10), ok);
    QCOMPARE(Q(sResponse), response);
    QCOMPARE(pClient->nStatusCode, status);
    QCOMPARE(pClient->nResult, CURLE_OK);
    QCOMPARE(Q(pClient->sError), QByteArray(curl_easy_strerror(CURLE_OK)));
}

void tst_HttpClient::refusedConnectionGivesStatusZero()
{
    std::string sResponse;
    QVERIFY(!pClient->Get(sResponse, "http://127.0.0.1:" + std::to_string(ClosedLoopbackPort()) + "/", 10));
    QCOMPARE(pClient->nStatusCode, 0);
    QCOMPARE(pClient->nResult, CURLE_COULDNT_CONNECT);
    QCOMPARE(Q(sResponse), FailureSentence(0, CURLE_COULDNT_CONNECT));
    // No connection, no address: the field keeps the last one obtained.
    QCOMPARE(Q(pClient->sPrimaryIp), QByteArray("0.0.0.0"));
}

void tst_HttpClient::missingHandleChangesNothingElse()
{
    CHttpClient client;
    client.sBody = "kept body";
    client.settings.sCookieList = "kept cookie\r\n";
    std::string sResponse = "old";
    QVERIFY(!client.Get(sResponse, Url("/never"), 10));
    QCOMPARE(Q(sResponse), QByteArray("curl_easy_init Failed"));
    QCOMPARE(Q(client.sBody), QByteArray("kept body"));
    QCOMPARE(Q(client.settings.sCookieList), QByteArray("kept cookie\r\n"));
    QCOMPARE(client.nStatusCode, 0);
    QCOMPARE(Q(client.sPrimaryIp), QByteArray("0.0.0.0"));
    QVERIFY(client.sError.empty());
    QVERIFY(client.sEffectiveUrl.empty());
    QCOMPARE(server.RequestCount(), size_t(0));
}

void tst_HttpClient::ownBodyAsResponse_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QByteArray>("response");
    QTest::newRow("body") << 200 << QByteArray("own") << true << QByteArray("own");
    QTest::newRow("empty 404 writes the sentence into sBody")
        << 404 << QByteArray() << false << FailureSentence(404, CURLE_OK);
}

void tst_HttpClient::ownBodyAsResponse()
{
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(bool, ok);
    QFETCH(QByteArray, response);
    server.Script("/own", ScriptedReply{status, {}, body.toStdString()});
    QCOMPARE(pClient->Get(pClient->sBody, Url("/own"), 10), ok);
    QCOMPARE(Q(pClient->sBody), response);
}

void tst_HttpClient::bodyChunkWithZeroByteLosesOnlyItsRest()
{
    std::string sBody = Patterned(200000);
    sBody[10] = '\0';
    server.Script("/zero", ScriptedReply{200, {}, sBody});
    std::string sResponse;
    QVERIFY(pClient->Get(sResponse, Url("/zero"), 10));
    QCOMPARE(Q(sResponse.substr(0, 10)), Q(sBody.substr(0, 10)));
    // The rest of that chunk is gone, but later chunks arrive and end the body.
    QVERIFY(sResponse.size() > 10);
    QVERIFY(sResponse.size() < sBody.size() - 1);
    const size_t nLost = sBody.size() - sResponse.size();
    QCOMPARE(Q(sResponse.substr(10)), Q(sBody.substr(10 + nLost)));
    QVERIFY(nLost <= CURL_MAX_WRITE_SIZE);
}

// How a body reaches the client. The limit stops hostile answers (a gzip bomb, an endless
// stream, a huge plain body) as soon as the decoded bytes pass it.
void tst_HttpClient::bodyEncodings_data()
{
    QTest::addColumn<QByteArray>("kind"); // plain, gzip, chunked, endless, bomb
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("ok");
    const int nLimit = static_cast<int>(CHttpClient::kMaxTransferBytes);
    QTest::newRow("gzip body arrives decoded") << QByteArray("gzip") << 50000 << true;
    QTest::newRow("chunked body arrives whole") << QByteArray("chunked") << 30000 << true;
    QTest::newRow("plain body exactly at the limit arrives whole") << QByteArray("plain") << nLimit << true;
    QTest::newRow("gzip body decoding to exactly the limit") << QByteArray("gzip") << nLimit << true;
    QTest::newRow("plain body one byte over the limit") << QByteArray("plain") << nLimit + 1 << false;
    QTest::newRow("chunked body over the limit") << QByteArray("chunked") << 2 * nLimit << false;
    QTest::newRow("gzip bomb decoding to 64 MiB") << QByteArray("bomb") << 64 << false;
    QTest::newRow("endless chunked stream") << QByteArray("endless") << 0 << false;
}

void tst_HttpClient::bodyEncodings()
{
    QFETCH(QByteArray, kind);
    QFETCH(int, size);
    QFETCH(bool, ok);
    ScriptedReply reply = kind == "bomb" ? GzipBombReply() : ScriptedReply{200, {}, Patterned(static_cast<size_t>(size))};
    reply.bGzip = kind == "gzip";
    reply.bChunked = kind == "chunked";
    if (kind == "endless") {
        reply.sBody = Patterned(16000);
        reply.bEndless = true;
    }
    server.Script("/encoded", reply);

    // Watch the body grow from inside the transfer; kept on the handle since no reset runs.
    pClient->settings.bReset = false;
    size_t nLargest = 0;
    curl_easy_setopt(pClient->pCurl, CURLOPT_NOPROGRESS, 0L);
    struct Watch { CHttpClient* pClient; size_t* pLargest; } watch{pClient, &nLargest};
    curl_easy_setopt(pClient->pCurl, CURLOPT_XFERINFODATA, &watch);
    curl_easy_setopt(pClient->pCurl, CURLOPT_XFERINFOFUNCTION,
                     +[](void* pData, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
                         auto* pWatch = static_cast<Watch*>(pData);
                         *pWatch->pLargest = std::max(*pWatch->pLargest, pWatch->pClient->sBody.size());
                         return 0;
                     });

    std::string sResponse;
    QCOMPARE(pClient->Get(sResponse, Url("/encoded"), 10), ok);
    QVERIFY(nLargest <= CHttpClient::kMaxTransferBytes);
    if (ok) {
        QCOMPARE(sResponse.size(), reply.sBody.size());
        QVERIFY(sResponse == reply.sBody);
    } else {
        QCOMPARE(pClient->nResult, CURLE_WRITE_ERROR);
        QCOMPARE(Q(sResponse), FailureSentence(200, CURLE_WRITE_ERROR));
        QVERIFY(pClient->sBody.empty());
    }
    // The same client goes on normally.
    QVERIFY(pClient->Get(sResponse, Url("/after"), 10));
    QCOMPARE(Q(sResponse), QByteArray("echo /after"));
}

void tst_HttpClient::detailsAfterRedirect()
{
    server.Script("/from", ScriptedReply{302, {"Location: /to"}, ""});
    server.Script("/to", ScriptedReply{200, {}, "arrived"});
    QCOMPARE(Q(pClient->sPrimaryIp), QByteArray("0.0.0.0"));
    std::string sResponse;
    QVERIFY(pClient->Get(sResponse, Url("/from"), 10));
    QCOMPARE(Q(sResponse), QByteArray("arrived"));
    QCOMPARE(pClient->nStatusCode, 200);
    QCOMPARE(pClient->nRedirectCount, 1);
    QCOMPARE(Q(pClient->sEffectiveUrl), Q(Url("/to")));
    QCOMPARE(Q(pClient->sPrimaryIp), QByteArray("127.0.0.1"));

    // With following off, the redirect itself is the answer.
    pClient->settings.nFollowLocation = 0;
    QVERIFY(!pClient->Get(sResponse, Url("/from"), 10));
    QCOMPARE(pClient->nStatusCode, 302);
    QCOMPARE(pClient->nRedirectCount, 0);
    QCOMPARE(Q(sResponse), FailureSentence(302, CURLE_OK));
}

void tst_HttpClient::redirectLoopStopsAtThirty()
{
    server.Script("/loop", ScriptedReply{302, {"Location: /loop"}, ""});
    std::string sResponse;
    QVERIFY(!pClient->Get(sResponse, Url("/loop"), 10));
    QCOMPARE(pClient->nResult, CURLE_TOO_MANY_REDIRECTS);
    QCOMPARE(pClient->nRedirectCount, 30);
    QCOMPARE(server.RequestCount(), size_t(31));
    QCOMPARE(Q(sResponse), FailureSentence(302, CURLE_TOO_MANY_REDIRECTS));
}

void tst_HttpClient::timesAreOrdered()
{
    std::string sResponse;
    QVERIFY(pClient->Get(sResponse, Url("/t"), 10));
    QVERIFY(pClient->dNameLookupTime >= 0);
    QVERIFY(pClient->dConnectTime >= pClient->dNameLookupTime);
    QVERIFY(pClient->dPreTransferTime >= pClient->dConnectTime);
    QVERIFY(pClient->dStartTransferTime >= pClient->dPreTransferTime);
    QVERIFY(pClient->dTotalTime >= pClient->dStartTransferTime);
    QVERIFY(pClient->dTotalTime > 0);
}

void tst_HttpClient::cookiesOfOneRequestAreOfferedToTheNext()
{
    server.Script("/set", ScriptedReply{200, {"Set-Cookie: a=1; Path=/", "Set-Cookie: b=2; Path=/"}, "set"});
    pClient->settings.bCookieList = true;
    std::string sResponse;
    QVERIFY(pClient->Get(sResponse, Url("/set"), 10));
    const QList<QByteArray> cookies = Q(pClient->settings.sCookieList).split('\n');
    QCOMPARE(cookies.size(), 3); // two lines and what follows the last "\r\n"
    QVERIFY(cookies[0].endsWith("\ta\t1\r") || cookies[1].endsWith("\ta\t1\r"));
    QVERIFY(Q(pClient->settings.sCookieList).endsWith("\r\n"));

    // A fresh handle knows nothing of them: only the offered list can bring them.
    curl_easy_cleanup(pClient->pCurl);
    pClient->pCurl = curl_easy_init();
    QVERIFY(pClient->Get(sResponse, Url("/next"), 10));
    const std::string sCookie = server.Requests().back().Header("Cookie");
    QVERIFY2(sCookie.find("a=1") != std::string::npos, sCookie.c_str());
    QVERIFY2(sCookie.find("b=2") != std::string::npos, sCookie.c_str());
}

void tst_HttpClient::cookieListIsRewrittenEvenWhenNotOffered()
{
    server.Script("/set", ScriptedReply{200, {"Set-Cookie: a=1; Path=/"}, "set"});
    pClient->settings.sCookieList = "stale\r\n";
    std::string sResponse;
    QVERIFY(pClient->Get(sResponse, Url("/set"), 10));
    // No cookie engine ran, so the list read back is empty, and so is the field.
    QVERIFY(pClient->settings.sCookieList.empty());
    QVERIFY(server.Requests().back().Header("Cookie").empty());
}

void tst_HttpClient::homePageCookiesReachTheRealRequest()
{
    server.Script("/home", ScriptedReply{200, {"Set-Cookie: s=home; Path=/", "Set-Cookie: t=two; Path=/"}, ""});
    pClient->settings.bHomeFirst = true;
    pClient->settings.sHomeUrl = Url("/home");
    std::string sResponse;
    QVERIFY(pClient->Get(sResponse, Url("/real"), 10));
    QCOMPARE(Q(sResponse), QByteArray("echo /real"));
    const std::vector<RecordedRequest> requests = server.Requests();
    QCOMPARE(requests.size(), size_t(2));
    QCOMPARE(Q(requests[0].sRequestLine), QByteArray("HEAD /home HTTP/1.1"));
    QCOMPARE(Q(requests[1].sRequestLine), QByteArray("GET /real HTTP/1.1"));
    const std::string sCookie = requests[1].Header("Cookie");
    QVERIFY2(sCookie.find("s=home") != std::string::npos, sCookie.c_str());
    QVERIFY2(sCookie.find("t=two") != std::string::npos, sCookie.c_str());
    // The home page's headers do not leak into the real body.
    QVERIFY(pClient->sBody == "echo /real");
}

void tst_HttpClient::onlyEmptyCustomHeadersSendNone()
{
    pClient->settings.vecHeaders = {"", ""};
    std::string sResponse;
    QVERIFY(pClient->Get(sResponse, Url("/bare"), 10));
    const QList<QByteArray> lines = HeaderLines(server.Requests().back());
    for (const QByteArray& sLine : kDefaultLines)
        QVERIFY2(!lines.contains(sLine), sLine.constData());
    QVERIFY(CountStarting(lines, "Accept-Charset") == 0);
    QVERIFY(CountStarting(lines, "Accept-Language") == 0);
}

void tst_HttpClient::extraHeadersComeLastBThenA()
{
    pClient->settings.sExtraHeaderA = "Referer:https://finance.example/";
    pClient->settings.sExtraHeaderB = "X-Second:b";
    pClient->settings.vecHeaders = {"X-First:1", "", "X-Other:2"};
    std::string sResponse;
    QVERIFY(pClient->Get(sResponse, Url("/extra"), 10));
    const QList<QByteArray> lines = HeaderLines(server.Requests().back());
    QCOMPARE(lines.mid(lines.size() - 4),
             (QList<QByteArray>{"X-First:1", "X-Other:2", "X-Second:b", "Referer:https://finance.example/"}));
    QVERIFY(!lines.contains(kDefaultLines[1]));
}

void tst_HttpClient::zeroConnectTimeoutSetsNoTimeOut_data()
{
    QTest::addColumn<int>("connectTimeout");
    QTest::addColumn<bool>("ok");
    // The total time-out is 1 s and the answer comes 4 s late: only a client that took the
    // connect time-out (10 s) for the total would live to see it.
    QTest::newRow("connect time-out given: the total time-out applies") << 10 << false;
    QTest::newRow("connect time-out 0: no time-out at all") << 0 << true;
}

void tst_HttpClient::zeroConnectTimeoutSetsNoTimeOut()
{
    QFETCH(int, connectTimeout);
    QFETCH(bool, ok);
    pClient->settings.nTimeout = 1;
    ScriptedReply late{200, {}, "late"};
    late.nDelayMs = 4000;
    server.Script("/slow", late);
    std::string sResponse;
    const bool bOk = pClient->Get(sResponse, Url("/slow"), connectTimeout);
    QCOMPARE(bOk, ok);
    if (ok) {
        QCOMPARE(Q(sResponse), QByteArray("late"));
    } else {
        QCOMPARE(pClient->nResult, CURLE_OPERATION_TIMEDOUT);
        QCOMPARE(Q(sResponse), FailureSentence(0, CURLE_OPERATION_TIMEDOUT));
    }
}

// With bReset on, each Get starts from a clean handle: what one request set must not reach the
// next one whose settings no longer ask for it.
void tst_HttpClient::optionsDoNotCarryOverAReset_data()
{
    QTest::addColumn<QByteArray>("option");
    QTest::newRow("a cookie") << QByteArray("cookie");
    QTest::newRow("a proxy") << QByteArray("proxy");
}

void tst_HttpClient::optionsDoNotCarryOverAReset()
{
    QFETCH(QByteArray, option);
    if (option == "cookie")
        pClient->settings.sCookie = "once=1";
    else
        pClient->settings.sProxy = server.BaseUrl();
    std::string sResponse;
    QVERIFY(pClient->Get(sResponse, Url("/first"), 10));
    pClient->settings.sCookie.clear();
    pClient->settings.sProxy.clear();
    QVERIFY(pClient->Get(sResponse, Url("/second"), 10));

    const std::vector<RecordedRequest> requests = server.Requests();
    QCOMPARE(requests.size(), size_t(2));
    if (option == "cookie") {
        QCOMPARE(Q(requests[0].Header("Cookie")), QByteArray("once=1"));
        QVERIFY(requests[1].Header("Cookie").empty());
    } else {
        // Through a proxy the request names the whole URL; straight to the server, only the path.
        QCOMPARE(Q(requests[0].sTarget), Q(Url("/first")));
        QCOMPARE(Q(requests[1].sTarget), QByteArray("/second"));
    }
}

void tst_HttpClient::headersGatherAcrossCalls()
{
    pClient->settings.bHeader = true;
    std::string sResponse;
    QVERIFY(pClient->Get(sResponse, Url("/h1"), 10));
    QVERIFY(pClient->Get(sResponse, Url("/h2"), 10));
    QCOMPARE(Q(pClient->sHeaders).count("HTTP/1.1 200 OK\r\n"), 2);
    // The header lines also enter the body stream, in front of the body.
    QVERIFY(Q(sResponse).startsWith("HTTP/1.1 200 OK\r\n"));
    QVERIFY(Q(sResponse).endsWith("echo /h2"));
}

void tst_HttpClient::tlsIsVerifiedUnlessSkipped_data()
{
#ifndef TICKORA_TEST_TLS
    QSKIP("no TLS test server on Windows: Debian builds no OpenSSL for it, and Wine's Schannel is not Windows'");
#endif
    QTest::addColumn<QByteArray>("scheme");
    QTest::addColumn<bool>("skipVerify");
    QTest::addColumn<bool>("homeFirst");
    QTest::addColumn<bool>("ok");
    QTest::newRow("https is verified") << QByteArray("https") << false << false << false;
    QTest::newRow("HTTPS in capitals is verified too") << QByteArray("HTTPS") << false << false << false;
    QTest::newRow("https home page does not switch verification off")
        << QByteArray("https") << false << true << false;
    QTest::newRow("skip switches verification off") << QByteArray("https") << true << false << true;
    QTest::newRow("skip with home page") << QByteArray("https") << true << true << true;
}

void tst_HttpClient::tlsIsVerifiedUnlessSkipped()
{
    QFETCH(QByteArray, scheme);
    QFETCH(bool, skipVerify);
    QFETCH(bool, homeFirst);
    QFETCH(bool, ok);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString sCert = dir.filePath("cert.pem");
    const QString sKey = dir.filePath("key.pem");
    QProcess openssl;
    openssl.start("openssl", {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj",
                              "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1", "-keyout", sKey,
                              "-out", sCert});
    QVERIFY(openssl.waitForFinished(60000));
    QCOMPARE(openssl.exitCode(), 0);

    TestHttpServer tls;
    QVERIFY(tls.UseTls({sCert.toStdString(), sKey.toStdString()}));
    tls.SetHandler([](const RecordedRequest&) { return ScriptedReply{200, {}, "secret"}; });
    QVERIFY(tls.Start());
    const std::string sUrl = scheme.toStdString() + "://127.0.0.1:" + std::to_string(tls.Port()) + "/q";
    pClient->settings.bSkipVerify = skipVerify;
    if (homeFirst) {
        pClient->settings.bHomeFirst = true;
        pClient->settings.sHomeUrl = "https://127.0.0.1:" + std::to_string(tls.Port()) + "/home";
    }
    std::string sResponse;
    QCOMPARE(pClient->Get(sResponse, sUrl, 10), ok);
    if (ok) {
        QCOMPARE(Q(sResponse), QByteArray("secret"));
    } else {
        // Refused by verification: the peer's certificate, or, where no CA store is installed (a
        // build daemon's chroot), the store itself.
        QVERIFY2(pClient->nResult == CURLE_PEER_FAILED_VERIFICATION || pClient->nResult == CURLE_SSL_CACERT_BADFILE,
                 curl_easy_strerror(pClient->nResult));
        QVERIFY2(Q(sResponse).startsWith("Down page Failed Error Code is 0="), sResponse.c_str());
        QCOMPARE(tls.RequestCount(), size_t(0));
    }
}

QTEST_GUILESS_MAIN(tst_HttpClient)
#include "tst_httpclient.moc"
