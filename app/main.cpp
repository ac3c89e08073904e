#include "DisplaySetup.h"
#include "QtTranslation.h"
#include "Tickora.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char* argv[])
{
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
