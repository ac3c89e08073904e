#include "CHttpClient.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

const long kMaxRedirects = 30;
const size_t kMaxSentenceBytes = 259;

// Frees a curl_slist on every way out of a function.
class SList
{
public:
    SList() = default;
    explicit SList(curl_slist* pList) : pHead(pList) {}
    SList(const SList&) = delete;
    SList& operator=(const SList&) = delete;
    ~SList() { curl_slist_free_all(pHead); }

    void Append(const std::string& sLine)
    {
        if (curl_slist* pNew = curl_slist_append(pHead, sLine.c_str()))
            pHead = pNew;
    }
    curl_slist* Get() const { return pHead; }

private:
    curl_slist* pHead = nullptr;
};

void AppendLines(std::string& sText, const curl_slist* pList)
{
    for (; pList; pList = pList->next) {
        sText += pList->data;
        sText += "\r\n";
    }
}

// libcurl takes one cookie per CURLOPT_COOKIELIST call and drops whatever follows the first
// line break, so a list of several cookies is handed over line by line.
void OfferCookies(CURL* pCurl, const std::string& sLines)
{
    size_t nPos = 0;
    while (nPos < sLines.size()) {
        size_t nEnd = sLines.find_first_of("\r\n", nPos);
        if (nEnd == std::string::npos)
            nEnd = sLines.size();
        if (nEnd > nPos)
            curl_easy_setopt(pCurl, CURLOPT_COOKIELIST, sLines.substr(nPos, nEnd - nPos).c_str());
        nPos = nEnd + 1;
    }
}

void FillHeaders(SList& list, const std::vector<std::string>& vecHeaders)
{
    const std::vector<std::string>& vecLines =
        vecHeaders.empty() ? HttpClientSettings::DefaultHeaders() : vecHeaders;
    for (const std::string& sLine : vecLines) {
        if (!sLine.empty())
            list.Append(sLine);
    }
}

size_t AppendChunk(std::string& sTarget, size_t& nSeen, const char* pData, size_t nSize, size_t nMemb)
{
    const size_t nBytes = nSize * nMemb;
    // Taking less than the whole chunk makes libcurl end the transfer with a write error.
    if (nBytes > CHttpClient::kMaxTransferBytes - nSeen)
        return 0;
    nSeen += nBytes;
    // A zero byte ends what the chunk contributes; the transfer itself goes on.
    const void* pZero = std::memchr(pData, 0, nBytes);
    sTarget.append(pData, pZero ? static_cast<const char*>(pZero) - pData : nBytes);
    return nBytes;
}

void SetVerification(CURL* pCurl, bool bSkipVerify)
{
    // Set both ways, so that a handle kept without reset never carries an earlier
    // request's skip into one that must be verified.
    curl_easy_setopt(pCurl, CURLOPT_SSL_VERIFYPEER, bSkipVerify ? 0L : 1L);
    curl_easy_setopt(pCurl, CURLOPT_SSL_VERIFYHOST, bSkipVerify ? 0L : 2L);
}

} // namespace

const std::vector<std::string>& HttpClientSettings::DefaultHeaders()
{
    static const std::vector<std::string> vecDefaults = {
        "Accept:text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8",
        "Accept-Charset:GBK,utf-8;q=0.7,*;q=0.3",
        "Accept-Language:zh-CN,zh;q=0.8",
        "Accept-Encoding:gzip,deflate,sdch",
    };
    return vecDefaults;
}

size_t HeaderCallback(char* pData, size_t nSize, size_t nMemb, void* pClient)
{
    auto* pSelf = static_cast<CHttpClient*>(pClient);
    return AppendChunk(pSelf->sHeaders, pSelf->nHeadersSeen, pData, nSize, nMemb);
}

size_t BodyCallback(char* pData, size_t nSize, size_t nMemb, void* pClient)
{
    auto* pSelf = static_cast<CHttpClient*>(pClient);
    return AppendChunk(pSelf->sBody, pSelf->nBodySeen, pData, nSize, nMemb);
}

void CHttpClient::StartTransfer()
{
    sBody.clear();
    nBodySeen = 0;
    nHeadersSeen = 0;
}

// A HEAD request on the home page, on the same handle, for the cookies it hands out.
std::string CHttpClient::HomePageCookies()
{
    SList headers;
    FillHeaders(headers, settings.vecHeaders);

    curl_easy_setopt(pCurl, CURLOPT_URL, settings.sHomeUrl.c_str());
    SetVerification(pCurl, settings.bSkipVerify);
    curl_easy_setopt(pCurl, CURLOPT_TIMEOUT, static_cast<long>(settings.nTimeout));
    curl_easy_setopt(pCurl, CURLOPT_CONNECTTIMEOUT, 10L);
    curl_easy_setopt(pCurl, CURLOPT_HTTPHEADER, headers.Get());
    curl_easy_setopt(pCurl, CURLOPT_HEADER, 1L);
    curl_easy_setopt(pCurl, CURLOPT_NOBODY, 1L);
    curl_easy_setopt(pCurl, CURLOPT_COOKIEFILE, "");
    curl_easy_setopt(pCurl, CURLOPT_WRITEFUNCTION, BodyCallback);
    curl_easy_setopt(pCurl, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(pCurl, CURLOPT_USERAGENT, settings.sUserAgent.c_str());
    curl_easy_setopt(pCurl, CURLOPT_FORBID_REUSE, 1L);
    curl_easy_setopt(pCurl, CURLOPT_FOLLOWLOCATION, static_cast<long>(settings.nFollowLocation));
    curl_easy_setopt(pCurl, CURLOPT_MAXREDIRS, kMaxRedirects);

    StartTransfer();
    curl_easy_perform(pCurl);

    std::string sCookies;
    curl_slist* pCookies = nullptr;
    if (curl_easy_getinfo(pCurl, CURLINFO_COOKIELIST, &pCookies) == CURLE_OK) {
        SList cookies(pCookies);
        AppendLines(sCookies, cookies.Get());
    }
    // The handle must not keep pointing at the list freed on return.
    curl_easy_setopt(pCurl, CURLOPT_HTTPHEADER, nullptr);
    return sCookies;
}

bool CHttpClient::Get(std::string& response, const std::string& url, int connectTimeout)
{
    if (!pCurl) {
        response = "curl_easy_init Failed";
        return false;
    }
    if (settings.bReset)
        curl_easy_reset(pCurl);

    std::string sHomeCookies;
    if (settings.bHomeFirst && !settings.sHomeUrl.empty())
        sHomeCookies = HomePageCookies();

    arrErrorBuffer.fill(0);

    SList headers;
    FillHeaders(headers, settings.vecHeaders);
    if (!settings.sExtraHeaderB.empty())
        headers.Append(settings.sExtraHeaderB);
    if (!settings.sExtraHeaderA.empty())
        headers.Append(settings.sExtraHeaderA);

    SetOptions(headers.Get(), url, connectTimeout, sHomeCookies);

    StartTransfer();
    nResult = curl_easy_perform(pCurl);
    // Only the callbacks' limit makes a write fail: what arrived is cut short, so none of it counts.
    if (nResult == CURLE_WRITE_ERROR)
        sBody.clear();
    sError = curl_easy_strerror(nResult);
    // The list dies with this call; the handle must not keep pointing at it.
    curl_easy_setopt(pCurl, CURLOPT_HTTPHEADER, nullptr);

    long nStatus = 0;
    curl_easy_getinfo(pCurl, CURLINFO_RESPONSE_CODE, &nStatus);
    nStatusCode = static_cast<int>(nStatus);
    if (&response != &sBody)
        response = sBody;

    ReadDetails();

    if (nResult != CURLE_WRITE_ERROR && (!response.empty() || nStatusCode == 200))
        return true;
    // snprintf cuts a longer sentence at the buffer's end, and fails only on an encoding error,
    // which a number and a byte string cannot cause; its length says how much of it to take.
    std::array<char, kMaxSentenceBytes + 1> arrSentence{};
    const int nLength = std::snprintf(arrSentence.data(), arrSentence.size(), "Down page Failed Error Code is %d=%s",
                                      nStatusCode, sError.c_str());
    response.assign(arrSentence.data(), std::min(static_cast<size_t>(std::max(nLength, 0)), kMaxSentenceBytes));
    return false;
}

// The request's options on the handle, in the order libcurl is given them.
void CHttpClient::SetOptions(curl_slist* pHeaders, const std::string& url, int connectTimeout,
                             const std::string& sHomeCookies)
{
    curl_easy_setopt(pCurl, CURLOPT_HTTPHEADER, pHeaders);
    curl_easy_setopt(pCurl, CURLOPT_ACCEPT_ENCODING, "gzip");
    if (connectTimeout != 0) {
        curl_easy_setopt(pCurl, CURLOPT_TIMEOUT, static_cast<long>(settings.nTimeout));
        curl_easy_setopt(pCurl, CURLOPT_CONNECTTIMEOUT, static_cast<long>(connectTimeout));
    }
    if (!settings.sProxy.empty())
        curl_easy_setopt(pCurl, CURLOPT_PROXY, settings.sProxy.c_str());
    // No SIGALRM-based time-outs: this runs on a thread of a larger program.
    curl_easy_setopt(pCurl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(pCurl, CURLOPT_URL, url.c_str());
    SetVerification(pCurl, settings.bSkipVerify);
    if (settings.bHeader) {
        curl_easy_setopt(pCurl, CURLOPT_HEADER, 1L);
        curl_easy_setopt(pCurl, CURLOPT_HEADERFUNCTION, HeaderCallback);
        curl_easy_setopt(pCurl, CURLOPT_HEADERDATA, this);
    } else {
        curl_easy_setopt(pCurl, CURLOPT_HEADER, 0L);
    }
    if (settings.bNoDnsCache) {
        // Deprecated and without effect since libcurl 7.62; kept for older libraries.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
        curl_easy_setopt(pCurl, CURLOPT_DNS_USE_GLOBAL_CACHE, 0L);
#pragma GCC diagnostic pop
    }
    if (settings.bBody) {
        curl_easy_setopt(pCurl, CURLOPT_NOBODY, 0L);
        curl_easy_setopt(pCurl, CURLOPT_WRITEFUNCTION, BodyCallback);
        curl_easy_setopt(pCurl, CURLOPT_WRITEDATA, this);
    } else {
        curl_easy_setopt(pCurl, CURLOPT_NOBODY, 1L);
        curl_easy_setopt(pCurl, CURLOPT_HTTPGET, 1L);
    }
    curl_easy_setopt(pCurl, CURLOPT_USERAGENT, settings.sUserAgent.c_str());
    if (settings.bCookieList) {
        if (!settings.sCookieList.empty())
            OfferCookies(pCurl, settings.sCookieList);
        else
            curl_easy_setopt(pCurl, CURLOPT_COOKIEFILE, "");
    }
    if (!sHomeCookies.empty())
        OfferCookies(pCurl, sHomeCookies);
    if (!settings.sCookie.empty())
        curl_easy_setopt(pCurl, CURLOPT_COOKIE, settings.sCookie.c_str());
    curl_easy_setopt(pCurl, CURLOPT_ERRORBUFFER, arrErrorBuffer.data());
    // The quote service is asked anew every second; a kept connection would only go stale.
    curl_easy_setopt(pCurl, CURLOPT_FORBID_REUSE, 1L);
    curl_easy_setopt(pCurl, CURLOPT_FRESH_CONNECT, 1L);
    curl_easy_setopt(pCurl, CURLOPT_FOLLOWLOCATION, static_cast<long>(settings.nFollowLocation));
    // Older libcurl follows without limit: a redirect loop would hammer the server until the
    // total time-out. Newer releases stop at this same number by default.
    curl_easy_setopt(pCurl, CURLOPT_MAXREDIRS, kMaxRedirects);
    if (settings.bCookieFile) {
        curl_easy_setopt(pCurl, CURLOPT_COOKIEFILE, settings.sCookieFile.c_str());
        curl_easy_setopt(pCurl, CURLOPT_COOKIEJAR, settings.sCookieFile.c_str());
    }
    if (!settings.sInterface.empty())
        curl_easy_setopt(pCurl, CURLOPT_INTERFACE, settings.sInterface.c_str());
}

// What the last transfer left on the handle: its times, cookies, final URL and peer.
void CHttpClient::ReadDetails()
{
    curl_easy_getinfo(pCurl, CURLINFO_NAMELOOKUP_TIME, &dNameLookupTime);
    curl_easy_getinfo(pCurl, CURLINFO_CONNECT_TIME, &dConnectTime);
    curl_easy_getinfo(pCurl, CURLINFO_PRETRANSFER_TIME, &dPreTransferTime);
    curl_easy_getinfo(pCurl, CURLINFO_STARTTRANSFER_TIME, &dStartTransferTime);
    curl_easy_getinfo(pCurl, CURLINFO_TOTAL_TIME, &dTotalTime);

    curl_slist* pCookies = nullptr;
    if (curl_easy_getinfo(pCurl, CURLINFO_COOKIELIST, &pCookies) == CURLE_OK) {
        SList cookies(pCookies);
        settings.sCookieList.clear();
        AppendLines(settings.sCookieList, cookies.Get());
    }

    char* pText = nullptr;
    if (curl_easy_getinfo(pCurl, CURLINFO_EFFECTIVE_URL, &pText) == CURLE_OK && pText)
        sEffectiveUrl = pText;
    long nRedirects = 0;
    curl_easy_getinfo(pCurl, CURLINFO_REDIRECT_COUNT, &nRedirects);
    nRedirectCount = static_cast<int>(nRedirects);
    pText = nullptr;
    if (curl_easy_getinfo(pCurl, CURLINFO_PRIMARY_IP, &pText) == CURLE_OK && pText && *pText)
        sPrimaryIp = pText;
}
