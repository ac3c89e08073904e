#include "ProgramStart.h"

#include "QtTranslation.h"

#include <QIcon>
#include <QString>
#include <QWidget>

void ProgramStart::Prepare(QWidget& window)
{
    QtTranslation::Install();
    window.setWindowTitle(QString::fromUtf8("禾澜迷你股票监控器1.0"));
    window.setWindowIcon(QIcon::fromTheme("select", QIcon(":/Tickora/images/exe.png")));
}
