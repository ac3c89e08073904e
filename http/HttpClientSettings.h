#pragma once

#include <string>
#include <vector>

// What each request of a CHttpClient sets on its handle. Plain fields: a caller may change
// them between two calls of Get.
struct HttpClientSettings
{
    bool bHeader = false;
    bool bBody = true;
    bool bNoDnsCache = true;
    bool bCookieFile = false;
    bool bCookieList = false;
    // TLS verification is on for every request unless this is set.
    bool bSkipVerify = false;
    int nFollowLocation = 1;
    std::string sExtraHeaderA;
    std::string sCookie;
    std::string sCookieFile = "CKTemp.x";
    // Cookie lines, each followed by "\r\n"; rewritten after every transfer.
    std::string sCookieList;
    std::string sInterface;
    // Complete header lines; while empty, the four default lines are sent instead.
    std::vector<std::string> vecHeaders;
    std::string sExtraHeaderB;
    int nTimeout = 60;
    std::string sHomeUrl;
    bool bHomeFirst = false;
    bool bReset = true;
    std::string sProxy;
    std::string sUserAgent = "Mozilla/5.0 (Windows NT 6.1; WOW64) AppleWebKit/537.36 "
                             "(KHTML, like Gecko) Chrome/36.0.1985.143 Safari/537.36";

    static const std::vector<std::string>& DefaultHeaders();
};
