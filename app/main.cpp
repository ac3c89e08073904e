#include "DisplaySetup.h"
#include "ProgramStart.h"
#include "Tickora.h"

#include <QApplication>

#include <csignal>

int main(int argc, char* argv[])
{
#ifdef SIGPIPE // Windows has none: a write to a closed socket there fails with an error
    // The transfers ask libcurl to leave signals alone, which leaves SIGPIPE to the program: a
    // server that closes a connection while it is written to must not end it. Set before any
    // thread starts, so that every thread inherits it.
    (void)std::signal(SIGPIPE, SIG_IGN); // cannot fail for SIGPIPE and SIG_IGN
#endif
    DisplaySetup::BeforeApplication();
    QApplication application(argc, argv);
    Q_INIT_RESOURCE(tickora);

    Tickora window;
    ProgramStart::Prepare(window);
    window.show();
    return QApplication::exec();
}
