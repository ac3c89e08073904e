#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <functional>

// Runs fnAct on the first visible top-level widget of type T, polling every 10 ms for at most
// five seconds. For the window's modal menu and message box, which block the caller until
// they are answered.
template <typename T>
void WhenShown(std::function<void(T*)> fnAct, int nTriesLeft = 500)
{
    QTimer::singleShot(10, [fnAct, nTriesLeft] {
        for (QWidget* pWidget : QApplication::topLevelWidgets()) {
            if (auto* pFound = qobject_cast<T*>(pWidget); pFound && pFound->isVisible()) {
                fnAct(pFound);
                return;
            }
        }
        if (nTriesLeft > 0)
            WhenShown<T>(fnAct, nTriesLeft - 1);
    });
}
