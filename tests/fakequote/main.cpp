// A stand-in for the public quote service, for demos and tests where it cannot be reached.
// Point the program at it through libcurl's proxy variable:
//   fakequote --port 8642 &
//   http_proxy=http://127.0.0.1:8642 tickora
#include "FakeQuoteService.h"
#include "TestHttpServer.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

volatile std::sig_atomic_t bStop = 0;

void OnSignal(int)
{
    bStop = 1;
}

} // namespace

int main(int argc, char* argv[])
{
    int nPort = 0;
    int nDelayMs = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--port") == 0 && i + 1 < argc) {
            nPort = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--delay") == 0 && i + 1 < argc) {
            nDelayMs = std::atoi(argv[++i]);
        } else {
            std::fprintf(stderr, "usage: %s [--port N] [--delay MS]\n"
                                 "Serves quote lines on 127.0.0.1; logs every request on stderr.\n", argv[0]);
            return 2;
        }
    }

    FakeQuoteService service;
    service.SetDelay(nDelayMs);
    service.SetLog([](const std::string& sLine) { std::fprintf(stderr, "%s\n", sLine.c_str()); });
    TestHttpServer server;
    service.Serve(server);
    if (!server.Start(static_cast<uint16_t>(nPort))) {
        std::fprintf(stderr, "cannot listen on 127.0.0.1:%d\n", nPort);
        return 1;
    }
    std::printf("listening on http://127.0.0.1:%u\n", server.Port());
    std::fflush(stdout);

    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    while (!bStop) {
#ifdef _WIN32 // no pause(): the console's Ctrl+C handler sets the flag from a thread of its own
        Sleep(100);
#else
        pause();
#endif
    }
    server.Stop();
    return 0;
}
