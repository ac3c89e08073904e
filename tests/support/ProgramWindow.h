#pragma once

#include "BuiltProgram.h"

#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QtTest>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

// Another process's window, as a desktop sees it: found by its title and the process that owns
// it, its width, its icon, and closed as a user closes it. On X through xdotool, xwininfo, xprop
// and xclose; on Windows through the window functions of Windows itself (under Wine a test
// cannot wait for a Linux program it starts). A window is named by its X id or its HWND, as text.
#ifdef Q_OS_WIN
inline HWND WindowHandle(const QString& sWindow)
{
    return reinterpret_cast<HWND>(static_cast<quintptr>(sWindow.toULongLong()));
}
#else
inline QString WindowInfo(const QString& sWindow)
{
    QProcess info;
    info.start("xwininfo", {"-id", sWindow});
    info.waitForFinished(10000);
    return QString::fromLatin1(info.readAllStandardOutput());
}
#endif

// Found once it is shown; empty if none shows within 30 s.
inline QString ProgramWindow(const QProcess& program, const QString& sTitle)
{
#ifdef Q_OS_WIN
    struct Search
    {
        DWORD nProcess;
        const QString& sTitle;
        HWND hFound;
    } search{static_cast<DWORD>(program.processId()), sTitle, nullptr};
    const auto fnLook = [](HWND hWindow, LPARAM pSearch) -> BOOL {
        auto& wanted = *reinterpret_cast<Search*>(pSearch);
        DWORD nOwner = 0;
        wchar_t szTitle[64] = {};
        GetWindowThreadProcessId(hWindow, &nOwner);
        if (nOwner != wanted.nProcess || !IsWindowVisible(hWindow) || GetWindowTextW(hWindow, szTitle, 64) <= 0
            || QString::fromWCharArray(szTitle) != wanted.sTitle)
            return TRUE;
        wanted.hFound = hWindow;
        return FALSE;
    };
    if (!QTest::qWaitFor([&] { return !EnumWindows(fnLook, reinterpret_cast<LPARAM>(&search)) || search.hFound; }, 30000))
        return QString();
    return search.hFound ? QString::number(reinterpret_cast<quintptr>(search.hFound)) : QString();
#else
    QProcess find;
    find.start("xdotool", {"search", "--sync", "--all", "--pid", QString::number(program.processId()), "--name", sTitle});
    if (!find.waitForFinished(30000))
        return QString();
    const QString sWindow = QString::fromLatin1(find.readAllStandardOutput().trimmed().split('\n').value(0));
    return sWindow.toULong() != 0 ? sWindow : QString();
#endif
}

inline bool WindowShown(const QString& sWindow)
{
#ifdef Q_OS_WIN
    return IsWindowVisible(WindowHandle(sWindow));
#else
    return WindowInfo(sWindow).contains("IsViewable");
#endif
}

// The width of what the window draws, in the screen's pixels, without a frame.
inline int WindowWidth(const QString& sWindow)
{
#ifdef Q_OS_WIN
    RECT client{};
    return GetClientRect(WindowHandle(sWindow), &client) ? client.right - client.left : 0;
#else
    return QRegularExpression("Width: (\\d+)").match(WindowInfo(sWindow)).captured(1).toInt();
#endif
}

#ifndef Q_OS_WIN
// The width of the icon the window shows in a task bar, 0 if none. (Wine answers WM_GETICON
// from another process with no icon, though its X window carries it: scripts/windows-check.sh
// reads it there.)
inline int WindowIconWidth(const QString& sWindow)
{
    QProcess xprop;
    xprop.start("xprop", {"-id", sWindow, "_NET_WM_ICON"});
    xprop.waitForFinished(10000);
    return QRegularExpression("Icon \\((\\d+) x").match(QString::fromLatin1(xprop.readAllStandardOutput())).captured(1).toInt();
}
#endif

// As a window manager's close button does: WM_DELETE_WINDOW on X, WM_CLOSE on Windows.
inline bool CloseWindow(const QString& sWindow)
{
#ifdef Q_OS_WIN
    return PostMessageW(WindowHandle(sWindow), WM_CLOSE, 0, 0);
#else
    return ExecuteBuilt(XCLOSE_BINARY, {sWindow}) == 0;
#endif
}

// The scale the desktop sets, which a program reads when it starts: Xft.dpi on X, the system's
// DPI (LogPixels) on Windows.
inline void SetScreenDpi(int nDpi)
{
#ifdef Q_OS_WIN
    QProcess reg;
    reg.start("reg", {"add", "HKCU\\Control Panel\\Desktop", "/v", "LogPixels", "/t", "REG_DWORD", "/d",
                      QString::number(nDpi), "/f"});
    reg.waitForFinished(10000);
#else
    QProcess xrdb;
    xrdb.start("xrdb", {"-merge", "-nocpp"});
    xrdb.waitForStarted(10000);
    xrdb.write("Xft.dpi: " + QByteArray::number(nDpi) + "\n");
    xrdb.closeWriteChannel();
    xrdb.waitForFinished(10000);
#endif
}
