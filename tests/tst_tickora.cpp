#include "DisplaySetup.h"
#include "ProgramStart.h"
#include "QtTranslation.h"
#include "TableFit.h"
#include "Tickora.h"
#include "ProxyEnvironment.h"
#include "TableInput.h"
#include "WindowTable.h"

#include <QAbstractItemModelTester>
#include <QAccessible>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QSlider>
#include <QStandardItemModel>
#include <QTableView>
#include <QTranslator>
#include <QtTest>

Q_DECLARE_METATYPE(QMessageBox::StandardButton)

class tst_Tickora : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void headersAndDefaultRows();
    void slotTableIsInDeclaredOrder();
    void widthIsFixed_data();
    void widthIsFixed();
    void sliderSetsOpacity_data();
    void sliderSetsOpacity();
    void entryRowRules_data();
    void entryRowRules();
    void deletionThroughContextMenu_data();
    void deletionThroughContextMenu();
    void staleContextRowPastTheEndDeletesNothing();
    void deletingEveryRowLeavesTableEmptyForGood();
    void destroyedWithAnOpenEditorRunsNoSlot();
    void dialogLanguage_data();
    void dialogLanguage();
    void platformChoice_data();
    void platformChoice();
    void sampleRowFitsTheDesktopFont_data();
    void sampleRowFitsTheDesktopFont();

private:
    QPoint RowPoint(int nRow) const;

    Tickora* pWindow = nullptr;
    QTableView* pView = nullptr;
    QStandardItemModel* pModel = nullptr;
    QAbstractItemModelTester* pTester = nullptr;
    QFont desktopFont;
};

void tst_Tickora::initTestCase()
{
    // The worker polls once a second: keep its requests on a closed loopback port.
    RouteNowhere();
    desktopFont = QApplication::font();
}

void tst_Tickora::init()
{
    pWindow = new Tickora;
    pView = pWindow->findChild<QTableView*>("tableView");
    QVERIFY(pView);
    pModel = TableModel(*pWindow);
    QVERIFY(pModel);
    pTester = new QAbstractItemModelTester(pModel, QAbstractItemModelTester::FailureReportingMode::QtTest);
    pWindow->show();
    QVERIFY(QTest::qWaitForWindowExposed(pWindow));
}

void tst_Tickora::cleanup()
{
    QApplication::setFont(desktopFont);
    delete pTester;
    delete pWindow;
    pWindow = nullptr;
}

QPoint tst_Tickora::RowPoint(int nRow) const
{
    return pView->visualRect(pModel->index(nRow, 0)).center();
}

void tst_Tickora::headersAndDefaultRows()
{
    QCOMPARE(pModel->columnCount(), 4);
    const QStringList expected = {"代码", "名称", "价格", "涨幅"};
    for (int nColumn = 0; nColumn < 4; ++nColumn)
        QCOMPARE(pModel->horizontalHeaderItem(nColumn)->text(), expected[nColumn]);
    QCOMPARE(TableCodes(*pWindow), (QStringList{"600519", ""}));
    for (int nRow = 0; nRow < 2; ++nRow) {
        QVERIFY(pModel->item(nRow, 0)->isEditable());
        for (int nColumn = 1; nColumn < 4; ++nColumn) {
            QVERIFY(!pModel->item(nRow, nColumn)->isEditable());
            QVERIFY(pModel->item(nRow, nColumn)->text().isEmpty());
        }
    }
    QCOMPARE(pView->gridStyle(), Qt::DotLine);
    QCOMPARE(pView->contextMenuPolicy(), Qt::CustomContextMenu);
    QCOMPARE(pWindow->findChild<QLabel*>("label")->text(), QString("透明度："));
    QVERIFY(pWindow->testAttribute(Qt::WA_TransparentForMouseEvents));

    // What a screen reader is told: the table and the slider by name, the label as the slider's.
    auto* pSlider = pWindow->findChild<QSlider*>("horizontalSlider");
    QAccessibleInterface* pSliderAccess = QAccessible::queryAccessibleInterface(pSlider);
    QVERIFY(!QAccessible::queryAccessibleInterface(pView)->text(QAccessible::Name).isEmpty());
    QVERIFY(!pSliderAccess->text(QAccessible::Name).isEmpty());
    const auto labels = pSliderAccess->relations(QAccessible::Label);
    QCOMPARE(labels.size(), 1);
    QCOMPARE(labels[0].first->object(), pWindow->findChild<QLabel*>("label"));
}

void tst_Tickora::slotTableIsInDeclaredOrder()
{
    const QMetaObject* pMeta = pWindow->metaObject();
    const QList<QByteArray> expected = {
        "HandleCatchResult(QString)",
        "MenuChoice(QAction*)",
        "ReghtMenuQpoint(QPoint)",
        "setSliderValue(int)",
        "TimerTimeOut()",
        "TableViewDClick(QModelIndex)",
        "EditCompleteSlot(QWidget*,QAbstractItemDelegate::EndEditHint)",
        "MyItemChangedMethod(QStandardItem*)",
    };
    QCOMPARE(pMeta->methodCount() - pMeta->methodOffset(), expected.size());
    for (int i = 0; i < expected.size(); ++i) {
        const QMetaMethod method = pMeta->method(pMeta->methodOffset() + i);
        QCOMPARE(method.methodSignature(), expected[i]);
        QCOMPARE(method.methodType(), QMetaMethod::Slot);
        QCOMPARE(method.access(), QMetaMethod::Public);
    }
    QCOMPARE(pMeta->propertyCount(), pMeta->propertyOffset());
    QCOMPARE(pMeta->enumeratorCount(), pMeta->enumeratorOffset());
}

void tst_Tickora::widthIsFixed_data()
{
    QTest::addColumn<int>("wantedWidth");
    QTest::newRow("narrower") << 120;
    QTest::newRow("wider") << 900;
    QTest::newRow("same") << 300;
}

void tst_Tickora::widthIsFixed()
{
    QFETCH(int, wantedWidth);
    QCOMPARE(pWindow->width(), 300);
    pWindow->resize(wantedWidth, 500);
    QCOMPARE(pWindow->width(), 300);
    QCOMPARE(pWindow->height(), 500);
}

void tst_Tickora::sliderSetsOpacity_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("shownValue");
    QTest::addColumn<double>("opacity");
    QTest::newRow("lowest") << 1 << 1 << 0.1;
    QTest::newRow("half") << 5 << 5 << 0.5;
    QTest::newRow("below the range stops at 1") << 0 << 1 << 0.1;
    QTest::newRow("above the range stops at 10") << 11 << 10 << 1.0;
}

void tst_Tickora::sliderSetsOpacity()
{
    QFETCH(int, value);
    QFETCH(int, shownValue);
    QFETCH(double, opacity);
    auto* pSlider = pWindow->findChild<QSlider*>("horizontalSlider");
    QCOMPARE(pSlider->value(), 10);
    QCOMPARE(pWindow->windowOpacity(), 1.0);
    pSlider->setValue(3); // away from the start, so that every row changes the value
    pSlider->setValue(value);
    QCOMPARE(pSlider->value(), shownValue);
    QVERIFY(qAbs(pWindow->windowOpacity() - opacity) < 0.01);
}

void tst_Tickora::entryRowRules_data()
{
    QTest::addColumn<bool>("dropEntryRow");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("key");
    QTest::addColumn<QStringList>("codes");
    QTest::addColumn<int>("current"); // the row whose code cell is current afterwards

    QTest::newRow("code typed into the entry row appends one and moves onto it")
        << false << 1 << "000001" << int(Qt::Key_Return) << QStringList{"600519", "000001", ""} << 2;
    QTest::newRow("the keypad's Enter too")
        << false << 1 << "000001" << int(Qt::Key_Enter) << QStringList{"600519", "000001", ""} << 2;
    QTest::newRow("entry row left empty appends nothing and stays")
        << false << 1 << "" << int(Qt::Key_Return) << QStringList{"600519", ""} << 1;
    QTest::newRow("edit above an empty last row appends nothing, moves down")
        << false << 0 << "600000" << int(Qt::Key_Return) << QStringList{"600000", ""} << 1;
    QTest::newRow("without entry row an edit anywhere appends one")
        << true << 0 << "000002" << int(Qt::Key_Return) << QStringList{"000002", ""} << 1;
    QTest::newRow("escape also ends the edit and appends, and stays")
        << true << 0 << "999" << int(Qt::Key_Escape) << QStringList{"600519", ""} << 0;
    QTest::newRow("any text is taken as a code")
        << false << 1 << "abc" << int(Qt::Key_Return) << QStringList{"600519", "abc", ""} << 2;
}

void tst_Tickora::entryRowRules()
{
    QFETCH(bool, dropEntryRow);
    QFETCH(int, row);
    QFETCH(QString, typed);
    QFETCH(int, key);
    QFETCH(QStringList, codes);
    QFETCH(int, current);

    if (dropEntryRow)
        pModel->removeRow(1);
    EditCell(*pView, pModel->index(row, 0), typed, static_cast<Qt::Key>(key));
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(TableCodes(*pWindow), codes);
    QCOMPARE(pView->currentIndex(), pModel->index(current, 0));
    const int nLast = pModel->rowCount() - 1;
    QVERIFY(pModel->item(nLast, 0)->isEditable());
    QVERIFY(!pModel->item(nLast, 3)->isEditable());
    // Rows holding a code say nothing more; the entry row says what it is for.
    for (int nRow = 0; nRow < nLast; ++nRow)
        QCOMPARE(CellDescription(*pWindow, nRow, 0), QString());
    QCOMPARE(CellDescription(*pWindow, nLast, 0), QString("输入股票代码，按回车添加"));
}

void tst_Tickora::deletionThroughContextMenu_data()
{
    QTest::addColumn<int>("row"); // -1: below the last row
    QTest::addColumn<QMessageBox::StandardButton>("answer");
    QTest::addColumn<QStringList>("codes");
    QTest::addColumn<QString>("pressed"); // the answer's button, in Qt's Chinese
    QTest::newRow("yes deletes the row") << 0 << QMessageBox::Yes << QStringList{""} << "是(&Y)";
    QTest::newRow("no keeps the table") << 0 << QMessageBox::No << QStringList{"600519", ""} << "否(&N)";
    QTest::newRow("the entry row can go too") << 1 << QMessageBox::Yes << QStringList{"600519"} << "是(&Y)";
    QTest::newRow("below the last row deletes nothing")
        << -1 << QMessageBox::Yes << QStringList{"600519", ""} << "是(&Y)";
}

void tst_Tickora::deletionThroughContextMenu()
{
    QFETCH(int, row);
    QFETCH(QMessageBox::StandardButton, answer);
    QFETCH(QStringList, codes);
    QFETCH(QString, pressed);
    // The window as the program starts it, Qt's catalogue installed.
    ProgramStart::Prepare(*pWindow);
    const QPoint point = row >= 0 ? RowPoint(row) : QPoint(5, pView->viewport()->height() - 5);
    QVERIFY(!pView->indexAt(point).isValid() || pView->indexAt(point).row() == row);
    ChooseDelete();
    QString sButton;
    WhenShown<QMessageBox>([&](QMessageBox* pBox) {
        sButton = pBox->button(answer)->text();
        pBox->button(answer)->click();
    });
    pWindow->ReghtMenuQpoint(point);
    QCOMPARE(TableCodes(*pWindow), codes);
    QCOMPARE(sButton, pressed);
}

void tst_Tickora::staleContextRowPastTheEndDeletesNothing()
{
    // Menu opened on row 1 and left with Escape; then row 1 goes another way.
    WhenShown<QMenu>([](QMenu* pMenu) { QTest::keyClick(pMenu, Qt::Key_Escape); });
    pWindow->ReghtMenuQpoint(RowPoint(1));
    pModel->removeRow(1);
    AnswerBox(QMessageBox::Yes);
    pWindow->MenuChoice(pWindow->findChild<QAction*>());
    QCOMPARE(TableCodes(*pWindow), QStringList{"600519"});
}

void tst_Tickora::deletingEveryRowLeavesTableEmptyForGood()
{
    for (int i = 0; i < 2; ++i) {
        ChooseDelete();
        AnswerBox(QMessageBox::Yes);
        pWindow->ReghtMenuQpoint(RowPoint(0));
    }
    QCOMPARE(pModel->rowCount(), 0);
    pWindow->EditCompleteSlot(nullptr, QAbstractItemDelegate::NoHint);
    pWindow->AddEmptyRow();
    QCOMPARE(pModel->rowCount(), 0);
}

// The view's editor closes while the window is being destroyed; a slot of the window run then
// would be a call on an object whose Tickora part is gone (UndefinedBehaviorSanitizer's vptr
// check in scripts/sanitize.sh asan reports it).
void tst_Tickora::destroyedWithAnOpenEditorRunsNoSlot()
{
    int nClosed = 0;
    connect(pView->itemDelegate(), &QAbstractItemDelegate::closeEditor, [&nClosed] { ++nClosed; });
    pView->edit(pModel->index(1, 0));
    QLineEdit* pEditor = pView->viewport()->findChild<QLineEdit*>();
    QVERIFY(pEditor);
    QTest::keyClicks(pEditor, "000001");
    delete pTester;
    pTester = nullptr;
    delete pWindow;
    pWindow = nullptr;
    QCOMPARE(nClosed, 1);
}

void tst_Tickora::dialogLanguage_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("dialog");
    QTest::addColumn<QString>("catalogue"); // Qt's own, as Debian installs it
    QTest::newRow("Taiwan takes Traditional Chinese") << "zh_TW.UTF-8" << "zh_TW" << "qtbase_zh_TW.qm";
    QTest::newRow("Hong Kong keeps its own, with Taiwan's catalogue")
        << "zh_HK.UTF-8" << "zh_HK" << "qtbase_zh_TW.qm";
    QTest::newRow("China takes Simplified Chinese") << "zh_CN.UTF-8" << "zh_CN" << "qtbase_zh_CN.qm";
    QTest::newRow("C takes Simplified Chinese") << "C.UTF-8" << "zh_CN" << "qtbase_zh_CN.qm";
    QTest::newRow("German takes Simplified Chinese") << "de_DE.UTF-8" << "zh_CN" << "qtbase_zh_CN.qm";
}

void tst_Tickora::dialogLanguage()
{
    QFETCH(QString, locale);
    QFETCH(QString, dialog);
    QFETCH(QString, catalogue);
    QCOMPARE(QtTranslation::DialogLocale(QLocale(locale)).name(), dialog);
    QTranslator translator;
    QVERIFY(QtTranslation::Load(translator, QLocale(locale)));
    QCOMPARE(QFileInfo(translator.filePath()).fileName(), catalogue);
}

void tst_Tickora::platformChoice_data()
{
    // Each variable as the user left it (empty: unset), then as the window starts with it.
    QTest::addColumn<QByteArray>("wayland"); // WAYLAND_DISPLAY
    QTest::addColumn<QByteArray>("display");
    QTest::addColumn<QByteArray>("platform"); // QT_QPA_PLATFORM
    QTest::addColumn<QByteArray>("gl");       // QT_XCB_GL_INTEGRATION
    QTest::addColumn<QByteArray>("plugins");  // QT_PLUGIN_PATH and QT_QPA_PLATFORM_PLUGIN_PATH
    QTest::addColumn<QByteArray>("chosenPlatform");
    QTest::addColumn<QByteArray>("chosenGl");
    QTest::addColumn<QByteArray>("chosenPlugins");
#ifdef Q_OS_WIN
    // Windows has one platform: the choice between X11 and Wayland is not made there.
    QTest::newRow("another program's plugin folders are passed over") << QByteArray() << QByteArray() << QByteArray() << QByteArray() << QByteArray("C:\\Other\\plugins") << QByteArray() << QByteArray() << QByteArray();
#else
    QTest::newRow("Wayland with XWayland runs on xcb") << QByteArray("wayland-0") << QByteArray(":0") << QByteArray() << QByteArray() << QByteArray() << QByteArray("xcb") << QByteArray("none") << QByteArray();
    QTest::newRow("the user's own platform wins") << QByteArray("wayland-0") << QByteArray(":0") << QByteArray("offscreen") << QByteArray() << QByteArray() << QByteArray("offscreen") << QByteArray("none") << QByteArray();
    QTest::newRow("the user's wayland wins too") << QByteArray("wayland-0") << QByteArray(":0") << QByteArray("wayland") << QByteArray() << QByteArray() << QByteArray("wayland") << QByteArray("none") << QByteArray();
    QTest::newRow("Wayland without XWayland stays") << QByteArray("wayland-0") << QByteArray() << QByteArray() << QByteArray() << QByteArray() << QByteArray() << QByteArray("none") << QByteArray();
    QTest::newRow("plain X11 loads no GL driver") << QByteArray() << QByteArray(":0") << QByteArray() << QByteArray() << QByteArray() << QByteArray() << QByteArray("none") << QByteArray();
    QTest::newRow("the user's GL integration is kept") << QByteArray() << QByteArray(":0") << QByteArray() << QByteArray("xcb_glx") << QByteArray() << QByteArray() << QByteArray("xcb_glx") << QByteArray();
    QTest::newRow("a distribution's plugin folders are kept") << QByteArray() << QByteArray(":0") << QByteArray() << QByteArray() << QByteArray("/opt/qt/plugins") << QByteArray() << QByteArray("none") << QByteArray("/opt/qt/plugins");
#endif
}

void tst_Tickora::platformChoice()
{
    QFETCH(QByteArray, wayland);
    QFETCH(QByteArray, display);
    QFETCH(QByteArray, platform);
    QFETCH(QByteArray, gl);
    QFETCH(QByteArray, plugins);
    QFETCH(QByteArray, chosenPlatform);
    QFETCH(QByteArray, chosenGl);
    QFETCH(QByteArray, chosenPlugins);
    const QByteArray names[] = {"WAYLAND_DISPLAY", "DISPLAY", "QT_QPA_PLATFORM", "QT_XCB_GL_INTEGRATION",
                                "QT_PLUGIN_PATH", "QT_QPA_PLATFORM_PLUGIN_PATH"};
    const QByteArray values[] = {wayland, display, platform, gl, plugins, plugins};
    const int nNames = 6;
    QByteArray saved[nNames];
    for (int i = 0; i < nNames; ++i) {
        saved[i] = qgetenv(names[i]);
        values[i].isEmpty() ? qunsetenv(names[i]) : qputenv(names[i], values[i]);
    }
    DisplaySetup::ChoosePlatform();
    const QByteArray results[] = {qgetenv("QT_QPA_PLATFORM"), qgetenv("QT_XCB_GL_INTEGRATION"),
                                  qgetenv("QT_PLUGIN_PATH"), qgetenv("QT_QPA_PLATFORM_PLUGIN_PATH")};
    for (int i = 0; i < nNames; ++i)
        saved[i].isEmpty() ? qunsetenv(names[i]) : qputenv(names[i], saved[i]);
    QCOMPARE(results[0], chosenPlatform);
    QCOMPARE(results[1], chosenGl);
    QCOMPARE(results[2], chosenPlugins);
    QCOMPARE(results[3], chosenPlugins);
}

void tst_Tickora::sampleRowFitsTheDesktopFont_data()
{
    QTest::addColumn<QString>("family");
    QTest::addColumn<double>("points");
    QTest::addColumn<bool>("shrinks"); // whether the desktop's size cuts the row short
    QTest::newRow("DejaVu Sans 8 fits as it is") << "DejaVu Sans" << 8.0 << false;
    QTest::newRow("DejaVu Sans 9") << "DejaVu Sans" << 9.0 << true;
    QTest::newRow("DejaVu Sans 10, Xfce") << "DejaVu Sans" << 10.0 << true;
    QTest::newRow("DejaVu Sans 11") << "DejaVu Sans" << 11.0 << true;
    QTest::newRow("Noto Sans 10, KDE Plasma") << "Noto Sans" << 10.0 << true;
    QTest::newRow("Cantarell 11, GNOME") << "Cantarell" << 11.0 << true;
    QTest::newRow("WenQuanYi Micro Hei 11, a Chinese desktop") << "WenQuanYi Micro Hei" << 11.0 << true;
}

// Built with the font, and already shown when the desktop's font changes: both windows show
// the widest row whole, with 20 more rows behind it so that the vertical scroll bar takes its
// width; the table gives up no more size than it must, and only the table gives any up.
void tst_Tickora::sampleRowFitsTheDesktopFont()
{
    QFETCH(QString, family);
    QFETCH(double, points);
    QFETCH(bool, shrinks);
    QFont font(family);
    font.setPointSizeF(points);
    QVERIFY2(QFontInfo(font).family() == family, qPrintable(family + " is installed"));
    QApplication::setFont(font);

    Tickora built;
    FillWithWidestRow(built);
    FillWithWidestRow(*pWindow);
    built.show();
    QVERIFY(QTest::qWaitForWindowExposed(&built));

    const QStringList row = {"600519", "贵州茅台", "8888.888", "-10.00%"};
    for (Tickora* pShown : {&built, pWindow}) {
        auto* pTable = pShown->findChild<QTableView*>("tableView");
        // Every text of the row in the narrowest column: stretched columns differ by a pixel.
        auto wholeRow = [&] {
            int nNarrowest = 0;
            for (int nColumn = 1; nColumn < 4; ++nColumn) {
                if (pTable->columnWidth(nColumn) < pTable->columnWidth(nNarrowest))
                    nNarrowest = nColumn;
            }
            const QRect cell = pTable->visualRect(TableModel(*pShown)->index(0, nNarrowest));
            for (const QString& sText : row) {
                if (!TextFits(*pTable, cell, sText))
                    return false;
            }
            return !pTable->horizontalScrollBar()->isVisible();
        };
        QTRY_COMPARE(pTable->testAttribute(Qt::WA_SetFont), shrinks);
        const double dFitted = pTable->font().pointSizeF();
        qInfo("%s %.1f pt: the table takes %.1f pt", qPrintable(family), points, dFitted);
        QVERIFY(dFitted >= 7.0 && dFitted <= points);
        QCOMPARE(pTable->font().family(), family);
        QCOMPARE(pShown->findChild<QLabel*>("label")->font(), font);
        QTRY_VERIFY(pTable->verticalScrollBar()->isVisible());
        for (int nColumn = 0; nColumn < 4; ++nColumn) {
            const QModelIndex index = TableModel(*pShown)->index(0, nColumn);
            QCOMPARE(index.data().toString(), row[nColumn]);
            // Waits for the view's layout to follow its new font.
            QTRY_VERIFY2(TextFitsCell(*pTable, index), qPrintable(row[nColumn] + " is cut off"));
        }
        QTRY_VERIFY(wholeRow());
        if (!shrinks)
            continue;
        // Half a point more, left alone by the fit, and the row no longer shows whole.
        delete pTable->findChild<TableFit*>();
        QFont larger;
        larger.setPointSizeF(dFitted + 0.5);
        pTable->setFont(larger);
        QTRY_VERIFY2(!wholeRow(), qPrintable(QString("%1 pt was not the largest that fits").arg(dFitted)));
    }
}

QTEST_MAIN(tst_Tickora)
#include "tst_tickora.moc"
