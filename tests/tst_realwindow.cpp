// The window on a real X server, driven by real input from xdotool: what a user's clicks and
// keys do, including through the window's transparent-for-mouse attribute.
#include "Tickora.h"
#include "HeardEvents.h"
#include "MissingTool.h"
#include "ProxyEnvironment.h"
#include "WhenShown.h"
#include "XInput.h"
#include "WindowTable.h"

#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSlider>
#include <QStandardItemModel>
#include <QTableView>
#include <QtTest>

static QColor Shown(QTableView& view, const QModelIndex& index)
{
    const QRect cell = view.visualRect(index);
    return view.viewport()->grab().toImage().pixelColor(cell.center().x(), cell.bottom() - 4);
}

static int Distance(const QColor& a, const QColor& b)
{
    return qAbs(a.red() - b.red()) + qAbs(a.green() - b.green()) + qAbs(a.blue() - b.blue());
}

// The colour the view paints near the bottom of a cell, by name, unless it is the palette's
// active or inactive selection colour (shaded a little by the style). Some palettes' inactive
// selection is all but the base colour (Windows': #f5f5f5 on white), so a mark must also be
// nearer to the selection colour than to the base.
static QString NotHighlighted(QTableView& view, const QModelIndex& index)
{
    const QColor shown = Shown(view, index);
    const QColor base = view.palette().color(QPalette::Active, QPalette::Base);
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        const QColor mark = view.palette().color(group, QPalette::Highlight);
        if (Distance(shown, mark) < 32 && Distance(shown, mark) < Distance(shown, base))
            return QString();
    }
    return shown.name();
}

class tst_RealWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void codesTypedOneAfterAnotherAllStay();
    void contextMenuDeletesAfterYes();
    void tabLeavesTheTableForTheSlider();

private:
    Tickora* pWindow = nullptr;
    QTableView* pView = nullptr;
    QStandardItemModel* pModel = nullptr;
};

void tst_RealWindow::initTestCase()
{
#ifdef Q_OS_WIN
    QCOMPARE(QGuiApplication::platformName(), QString("windows"));
#else
    QVERIFY2(MissingTool({"xdotool"}).isEmpty(), qPrintable(MissingTool({"xdotool"})));
    QVERIFY2(qEnvironmentVariableIsSet("DISPLAY"), "runs under xvfb-run");
    QCOMPARE(QGuiApplication::platformName(), QString("xcb"));
#endif
    RouteNowhere();
}

void tst_RealWindow::init()
{
    pWindow = new Tickora;
    pWindow->move(40, 40);
    pWindow->show();
    QVERIFY(QTest::qWaitForWindowExposed(pWindow));
    // Without a window manager nothing activates the window but a click, and on a busy machine
    // the activation can land after the first keys: Qt then hands the focus to whatever it
    // restores, not to the cell being typed into. Activate it before any input.
    pWindow->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(pWindow));
    pView = pWindow->findChild<QTableView*>("tableView");
    pModel = TableModel(*pWindow);
}

void tst_RealWindow::cleanup()
{
    delete pWindow;
    pWindow = nullptr;
}

// Enter moves onto the new entry row, so the second code adds a row instead of replacing the first.
void tst_RealWindow::codesTypedOneAfterAnotherAllStay()
{
    QVERIFY(TypeInto(*pView, pModel->index(1, 0), "000001"));
    QTRY_COMPARE(TableCodes(*pWindow), (QStringList{"600519", "000001", ""}));
    QVERIFY(TypeText("300750"));
    QVERIFY(PressKey("KP_Enter"));
    QTRY_COMPARE(TableCodes(*pWindow), (QStringList{"600519", "000001", "300750", ""}));
    QTRY_COMPARE(pView->currentIndex(), pModel->index(3, 0));
}

void tst_RealWindow::contextMenuDeletesAfterYes()
{
    bool bMenuSeen = false;
    bool bBoxSeen = false;
    WhenShown<QMenu>([&](QMenu* pMenu) {
        bMenuSeen = true;
        QAction* pDelete = pMenu->actions().value(0);
        ClickAt(pMenu->mapToGlobal(pMenu->actionGeometry(pDelete).center()));
    });
    QString sUnmarked = "not drawn";
    // A cell of another row (the entry row) shows the palette's base colour, before the prompt
    // and while it asks: a fault that marked every cell would mark it as well.
    const QString sBase = pView->palette().color(QPalette::Base).name();
    QCOMPARE(Shown(*pView, pModel->index(1, 1)).name(), sBase);
    QColor other;
    WhenShown<QMessageBox>([&](QMessageBox* pBox) {
        bBoxSeen = pBox->windowTitle() == QString::fromUtf8("提示")
                && pBox->text() == QString::fromUtf8("是否删除本行数据?");
        // As a window manager would, the prompt takes the focus from the table.
        pBox->activateWindow();
        if (QTest::qWaitForWindowActive(pBox)) {
            sUnmarked = NotHighlighted(*pView, pModel->index(0, 1));
            other = Shown(*pView, pModel->index(1, 1));
        }
        QAbstractButton* pYes = pBox->button(QMessageBox::Yes);
        ClickAt(pYes->mapToGlobal(pYes->rect().center()));
    });
    QVERIFY(ClickAt(CellCentre(*pView, pModel->index(0, 1)), 3));
    QTRY_COMPARE_WITH_TIMEOUT(TableCodes(*pWindow), QStringList{""}, 10000);
    QVERIFY(bMenuSeen);
    QVERIFY(bBoxSeen);
    // While the prompt asks, the row it would delete stays marked.
    QVERIFY2(sUnmarked.isEmpty(), qPrintable(sUnmarked));
    QCOMPARE(other.name(), sBase);
}

void tst_RealWindow::tabLeavesTheTableForTheSlider()
{
    auto* pSlider = pWindow->findChild<QSlider*>("horizontalSlider");
    QVERIFY(ClickAt(CellCentre(*pView, pModel->index(0, 1))));
    QTRY_VERIFY(pView->hasFocus());
    QTRY_COMPARE(pView->currentIndex(), pModel->index(0, 1));
    // The current cell is drawn in the selection's colour, though no cell can be selected: a
    // screen reader would call every other cell "not selected".
    const QString sUnmarked = NotHighlighted(*pView, pModel->index(0, 1));
    QVERIFY2(sUnmarked.isEmpty(), qPrintable(sUnmarked));
    QVERIFY(!QAccessible::queryAccessibleInterface(pView)->tableInterface()->cellAt(0, 1)->state().selectable);
    QVERIFY(PressKey("Tab"));
    QTRY_VERIFY2(pSlider->hasFocus(), "Tab moves from the table to the slider");
    QVERIFY(PressKey("Home"));
    QTRY_COMPARE(pSlider->value(), 1);
    // The X server keeps the opacity in 8 bits: 0.1 comes back as 25/255.
    QVERIFY(qAbs(pWindow->windowOpacity() - 0.1) < 0.01);
    // Back in the table, a screen reader hears the current cell after the table itself.
    HeardEvents events;
    QVERIFY(PressKey("shift+Tab"));
    QTRY_VERIFY2(pView->hasFocus(), "Shift+Tab moves back to the table");
    QTRY_COMPARE(HeardEvents::Heard().mid(HeardEvents::Heard().indexOf("Focus tableView")),
                 (QStringList{"Focus tableView", "Focus 0,1"}));
}

QTEST_MAIN(tst_RealWindow)
#include "tst_realwindow.moc"
