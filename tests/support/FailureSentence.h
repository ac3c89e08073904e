#pragma once

#include <QByteArray>
#include <curl/curl.h>

// The client's failure sentence: its own words stand here as they are, and libcurl's part is
// asked of libcurl, whose wording changes between versions ("Couldn't" became "Could not").
inline QByteArray FailureSentence(int nStatus, CURLcode nCode)
{
    return "Down page Failed Error Code is " + QByteArray::number(nStatus) + '=' + curl_easy_strerror(nCode);
}
