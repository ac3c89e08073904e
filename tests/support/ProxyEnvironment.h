#pragma once

#include "TestHttpServer.h"

#include <QByteArray>
#include <QtGlobal>

// Sends every plain-HTTP request of this process, the quote requests included, to a proxy on
// loopback: a local stand-in service, or a closed port. Nothing leaves the machine.
inline void RouteThroughProxy(const QByteArray& url)
{
    qputenv("http_proxy", url);
    qunsetenv("no_proxy");
    qunsetenv("NO_PROXY");
}

// A loopback proxy port that nothing listens on, so every request is refused at once: for
// tests whose window polls but must reach nothing.
inline void RouteNowhere()
{
    RouteThroughProxy("http://127.0.0.1:" + QByteArray::number(ClosedLoopbackPort()));
}
