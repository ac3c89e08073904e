#pragma once

#include "HttpClientSettings.h"

#include <curl/curl.h>

#include <array>
#include <cstddef>
#include <string>

// One libcurl easy handle, lent by the owner, performing GET requests. Failures are values:
// Get returns false and writes a sentence into the response; the details of the last
// transfer are left in the public fields. Belongs to one thread.
class CHttpClient
{
public:
    CHttpClient() = default;
    CHttpClient(const CHttpClient&) = delete;
    CHttpClient& operator=(const CHttpClient&) = delete;

    bool Get(std::string& response, const std::string& url, int connectTimeout);

    // A real quote line is a few hundred bytes; this leaves room for any honest answer while
    // a hostile one (a gzip bomb, an endless stream) cannot exhaust memory.
    static constexpr size_t kMaxTransferBytes = size_t{1024} * 1024;

    CURLcode nResult = CURLE_OK;
    int nStatusCode = 0;
    double dNameLookupTime = 0;
    double dConnectTime = 0;
    double dStartTransferTime = 0;
    double dPreTransferTime = 0;
    double dTotalTime = 0;
    std::string sError;
    std::string sHeaders;
    std::string sBody;
    std::string sPrimaryIp = "0.0.0.0";
    std::string sEffectiveUrl;
    int nRedirectCount = 0;
    HttpClientSettings settings;
    // Neither created nor released here: the owner calls curl_easy_init and stores it.
    CURL* pCurl = nullptr;

private:
    friend size_t HeaderCallback(char* pData, size_t nSize, size_t nMemb, void* pClient);
    friend size_t BodyCallback(char* pData, size_t nSize, size_t nMemb, void* pClient);

    std::string HomePageCookies();
    void SetOptions(curl_slist* pHeaders, const std::string& url, int connectTimeout, const std::string& sHomeCookies);
    void ReadDetails();
    // Clears the body and the per-transfer byte counts before a transfer starts.
    void StartTransfer();

    // Decoded bytes the callbacks have seen in the current transfer, zero bytes included.
    size_t nBodySeen = 0;
    size_t nHeadersSeen = 0;

    // Lives as long as the client, since the handle keeps pointing at it after Get returns.
    std::array<char, CURL_ERROR_SIZE> arrErrorBuffer{};
};

size_t HeaderCallback(char* pData, size_t nSize, size_t nMemb, void* pClient);
size_t BodyCallback(char* pData, size_t nSize, size_t nMemb, void* pClient);
