#pragma once

#include <QAbstractItemView>
#include <QPoint>
#include <QProcess>
#include <QStringList>
#include <QThread>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

// Real input, for the tests that run a window: through xdotool on X; on Windows through
// SendInput, which is what reaches a window there (under Wine a test cannot wait for a Linux
// program it starts, so the X tools are not used from it).
#ifdef Q_OS_WIN
inline bool SendKey(WORD nKey, bool bUp, bool bExtended = false)
{
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = nKey;
    input.ki.dwFlags = (bUp ? KEYEVENTF_KEYUP : 0) | (bExtended ? KEYEVENTF_EXTENDEDKEY : 0);
    return SendInput(1, &input, sizeof input) == 1;
}
#endif

inline bool ClickAt(const QPoint& global, int nButton = 1)
{
#ifdef Q_OS_WIN
    INPUT clicks[2] = {};
    clicks[0].type = clicks[1].type = INPUT_MOUSE;
    clicks[0].mi.dwFlags = nButton == 3 ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN;
    clicks[1].mi.dwFlags = nButton == 3 ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP;
    return SetCursorPos(global.x(), global.y()) && SendInput(2, clicks, sizeof clicks[0]) == 2;
#else
    return QProcess::execute("xdotool", {"mousemove", "--sync", QString::number(global.x()), QString::number(global.y())}) == 0
        && QProcess::execute("xdotool", {"click", QString::number(nButton)}) == 0;
#endif
}

// Types sText key by key, as a user does.
inline bool TypeText(const QString& sText)
{
#ifdef Q_OS_WIN
    for (const QChar character : sText) {
        const WORD nKey = LOBYTE(VkKeyScanW(character.unicode()));
        if (!SendKey(nKey, false) || !SendKey(nKey, true))
            return false;
        QThread::msleep(20);
    }
    return true;
#else
    return QProcess::execute("xdotool", {"type", "--delay", "20", sText}) == 0;
#endif
}

// Presses one key by its X name: Return, KP_Enter, Tab, shift+Tab or Home.
inline bool PressKey(const QString& sKey)
{
#ifdef Q_OS_WIN
    const bool bShift = sKey.startsWith("shift+");
    const QString sName = bShift ? sKey.mid(6) : sKey;
    const WORD nKey = sName == "Tab" ? VK_TAB : sName == "Home" ? VK_HOME : VK_RETURN;
    // The keypad's Enter is Return's extended key.
    const bool bExtended = sName == "KP_Enter" || sName == "Home";
    return (!bShift || SendKey(VK_SHIFT, false)) && SendKey(nKey, false, bExtended) && SendKey(nKey, true, bExtended)
        && (!bShift || SendKey(VK_SHIFT, true));
#else
    return QProcess::execute("xdotool", {"key", sKey}) == 0;
#endif
}

// Where a cell of a view sits on the screen.
inline QPoint CellCentre(const QAbstractItemView& view, const QModelIndex& index)
{
    return view.viewport()->mapToGlobal(view.visualRect(index).center());
}

// Types a code into the cell, as a user does, and finishes it with Enter.
inline bool TypeInto(const QAbstractItemView& view, const QModelIndex& index, const QString& sText)
{
    return ClickAt(CellCentre(view, index)) && TypeText(sText) && PressKey("Return");
}
