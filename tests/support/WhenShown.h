#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <QtTest>

#include <functional>

// Runs fnAct on the first visible top-level widget of type T, for the window's modal menu and
// message box, which block the caller until they are answered. If none shows within the
// bound, the test fails saying what it waited for, and every open popup and modal dialog is
// closed so that the blocked caller returns instead of hanging.
template <typename T>
void WhenShown(std::function<void(T*)> fnAct, int nTriesLeft = 1000)
{
    QTimer::singleShot(10, [fnAct, nTriesLeft] {
        for (QWidget* pWidget : QApplication::topLevelWidgets()) {
            if (auto* pFound = qobject_cast<T*>(pWidget); pFound && pFound->isVisible()) {
                fnAct(pFound);
                return;
            }
        }
        if (nTriesLeft > 0) {
            WhenShown<T>(fnAct, nTriesLeft - 1);
            return;
        }
        QTest::qFail(qPrintable(QString("no visible %1 appeared within 10 s").arg(T::staticMetaObject.className())),
                     __FILE__, __LINE__);
        while (QWidget* pOpen = QApplication::activePopupWidget() ? QApplication::activePopupWidget()
                                                                   : QApplication::activeModalWidget())
            pOpen->close();
    });
}
