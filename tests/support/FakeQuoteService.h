#pragma once

#include "TestHttpServer.h"

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <string>

// Answers like the public quote service: "GET /list=<code>" (or the absolute form a proxy
// receives) gets one GBK line with the service's 33 fields, prices moving between requests.
// Requests without the finance site's Referer get 403, unknown codes an empty quote.
class FakeQuoteService
{
public:
    FakeQuoteService();

    // Installs the service's answers on a server; keep this object alive as long as it runs.
    void Serve(TestHttpServer& server);

    void SetDelay(int nMs) { nDelayMs = nMs; }
    // Answers this price for the code from now on, instead of a moving one.
    void SetPrice(const std::string& sCode, double dPrice);
    // A line for every request, as a log would hold it.
    void SetLog(std::function<void(const std::string&)> log);

    ScriptedReply Answer(const RecordedRequest& request);
    // The line the service would send for a code, in UTF-8, without moving prices.
    static std::string QuoteLine(const std::string& sCode, const std::string& sName, double dPrevious,
                                 double dPrice);
    // A quote line in the service's form around any field text, in UTF-8.
    static std::string Line(const std::string& sCode, const std::string& sFields);

private:
    struct Share
    {
        std::string sName; // UTF-8
        double dPrevious;
    };
    std::map<std::string, Share> mapShares;
    std::map<std::string, unsigned> mapAsked;
    std::map<std::string, double> mapFixed;
    std::atomic<int> nDelayMs{0};
    std::function<void(const std::string&)> log;
    std::mutex mutex;
};

// UTF-8 to GBK (GB18030) bytes, as the service sends its names.
std::string ToGbk(const std::string& sUtf8);
