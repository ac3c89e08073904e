#include "DisplaySetup.h"

#include <QGuiApplication>

void DisplaySetup::BeforeApplication()
{
    ChoosePlatform();
    // The window is 300 logical pixels wide: on a 150 % screen it is 450 device pixels, with
    // fonts drawn at the same scale. Qt's own scaling variables keep their say (docs/using.md).
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0) // Qt 6 always scales, and deprecates both
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QCoreApplication::setAttribute(Qt::AA_UseHighDpiPixmaps);
#endif
    // Without PassThrough 125 % and 150 % would be rounded to 100 % or 200 %.
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
}

void DisplaySetup::ChoosePlatform()
{
#ifndef Q_OS_WIN // Windows has one platform; under Wine the X variables are set, but xcb is not there
    // Qt takes an empty variable as unset, and so do we.
    if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") && !qEnvironmentVariableIsEmpty("DISPLAY")
        && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    if (qEnvironmentVariableIsEmpty("QT_XCB_GL_INTEGRATION"))
        qputenv("QT_XCB_GL_INTEGRATION", "none");
#else
    // Other programs' installers set these for the whole user, and Qt would look for plugins
    // there before the program folder: another Qt build's qwindows.dll would be taken.
    qunsetenv("QT_PLUGIN_PATH");
    qunsetenv("QT_QPA_PLATFORM_PLUGIN_PATH");
#endif
}
