#pragma once

#include <QObject>
#include <QPointer>
#include <QStandardItemModel>
#include <QTimer>

class QFont;
class QScreen;
class QTableView;

// Keeps the texts of a quote row whole in a table of fixed width: where the desktop's font
// would elide or wrap them, the view alone takes the largest smaller size of the same font
// that fits. It fits again whenever the font, the style, the screen or the row count changes.
class TableFit : public QObject
{
    Q_OBJECT

public:
    // Watches pView for its lifetime; the view owns it.
    explicit TableFit(QTableView* pView);

    void Fit();

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

private:
    bool Fits(const QFont& font) const;
    void FitLater();
    int RowDigits() const;
    void WatchScreen();

    QTableView* pView;
    QStandardItemModel samples;
    QPointer<QScreen> pScreen;
    QTimer fitTimer;
    int nRowDigits = 0;
    bool bFitting = false;
    bool bScreenSeen = false;
};
