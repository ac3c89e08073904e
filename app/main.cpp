#include "DisplaySetup.h"
#include "QtTranslation.h"
#include "Tickora.h"

#include <QApplication>
#include <QIcon>

#include <csignal>

int main(int argc, char* argv[])
{
    // The transfers ask libcurl to leave signals alone, which leaves SIGPIPE to the program: a
    // server that closes a connection while it is written to must not end it. Set before any
    // thread starts, so that every thread inherits it.
    (void)std::signal(SIGPIPE, SIG_IGN); // cannot fail for SIGPIPE and SIG_IGN
    DisplaySetup::BeforeApplication();
    QApplication application(argc, argv);
    Q_INIT_RESOURCE(tickora);
    QtTranslation::Install();

    Tickora window;
    window.setWindowTitle(QString::fromUtf8("禾澜迷你股票监控器1.0"));
    window.setWindowIcon(QIcon::fromTheme("select", QIcon(":/Tickora/images/exe.png")));
    window.show();
    return QApplication::exec();
}
