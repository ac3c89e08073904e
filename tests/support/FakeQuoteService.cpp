#include "FakeQuoteService.h"

#include <QByteArray>
#include <QString>
#include <QTextCodec>

#include <cmath>
#include <cstdio>

std::string ToGbk(const std::string& sUtf8)
{
    return QTextCodec::codecForName("GB18030")->fromUnicode(QString::fromStdString(sUtf8)).toStdString();
}

FakeQuoteService::FakeQuoteService()
    : mapShares{
        {"sh600519", {"贵州茅台", 1690.00}},
        {"sz000001", {"平安银行", 11.20}},
        {"sh601318", {"中国平安", 45.60}},
        {"sz002752", {"昇兴股份", 5.12}},
        {"sz300750", {"宁德时代", 210.35}},
        {"sh688981", {"中芯国际", 52.80}},
    }
{
}

void FakeQuoteService::Serve(TestHttpServer& server)
{
    server.SetHandler([this](const RecordedRequest& request) { return Answer(request); });
}

void FakeQuoteService::SetPrice(const std::string& sCode, double dPrice)
{
    std::lock_guard<std::mutex> lock(mutex);
    mapFixed[sCode] = dPrice;
}

void FakeQuoteService::SetLog(std::function<void(const std::string&)> newLog)
{
    std::lock_guard<std::mutex> lock(mutex);
    log = std::move(newLog);
}

std::string FakeQuoteService::QuoteLine(const std::string& sCode, const std::string& sName, double dPrevious,
                                        double dPrice)
{
    char szFields[1024];
    const double dOpen = dPrevious * 1.002;
    std::snprintf(szFields, sizeof szFields,
                  "%.2f,%.2f,%.2f,%.2f,%.2f,%.2f,%.2f,1234500,98765432.00,"
                  "100,%.2f,200,%.2f,300,%.2f,400,%.2f,500,%.2f,"
                  "100,%.2f,200,%.2f,300,%.2f,400,%.2f,500,%.2f,2026-12-07,15:00:00,00",
                  dOpen, dPrevious, dPrice, std::max(dOpen, dPrice) * 1.01, std::min(dOpen, dPrice) * 0.99,
                  dPrice - 0.01, dPrice + 0.01, dPrice - 0.01, dPrice - 0.02, dPrice - 0.03, dPrice - 0.04,
                  dPrice - 0.05, dPrice + 0.01, dPrice + 0.02, dPrice + 0.03, dPrice + 0.04, dPrice + 0.05);
    return Line(sCode, sName + "," + szFields);
}

std::string FakeQuoteService::Line(const std::string& sCode, const std::string& sFields)
{
    return "var hq_str_" + sCode + "=\"" + sFields + "\";\n";
}

ScriptedReply FakeQuoteService::Answer(const RecordedRequest& request)
{
    ScriptedReply reply;
    reply.nDelayMs = nDelayMs;
    reply.vecHeaders = {"Content-Type: application/javascript; charset=GB18030"};
    const std::string sReferer = request.Header("Referer");
    const std::string sPrefix = "/list=";

    std::string sLog = request.sRequestLine + " | Referer: " + sReferer + " | User-Agent: "
                     + request.Header("User-Agent");
    std::function<void(const std::string&)> logNow;
    {
        std::lock_guard<std::mutex> lock(mutex);
        logNow = log;
        if (sReferer.find("finance.sina.com.cn") == std::string::npos) {
            reply.nStatus = 403;
            reply.sBody = "Forbidden: requests must come from the finance site\n";
        } else if (request.sPath.compare(0, sPrefix.size(), sPrefix) != 0) {
            reply.nStatus = 404;
            reply.sBody = "not found\n";
        } else {
            const std::string sCode = request.sPath.substr(sPrefix.size());
            auto it = mapShares.find(sCode);
            if (it == mapShares.end()) {
                reply.sBody = Line(sCode, "");
            } else {
                // Prices wander around the previous close, some up and some down.
                const unsigned nAsked = mapAsked[sCode]++;
                const double dPhase = static_cast<double>(sCode.back() - '0');
                const auto fixed = mapFixed.find(sCode);
                const double dPrice = fixed != mapFixed.end() ? fixed->second
                    : std::round(it->second.dPrevious * (1.0 + 0.04 * std::sin(nAsked * 0.7 + dPhase)) * 100.0) / 100.0;
                reply.sBody = ToGbk(QuoteLine(sCode, it->second.sName, it->second.dPrevious, dPrice));
            }
        }
    }
    if (logNow)
        logNow(sLog + " -> " + std::to_string(reply.nStatus));
    return reply;
}
