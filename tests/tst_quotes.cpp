// Cutting response texts into table cells, and the code list the poll hands to the worker.
#include "FailureSentence.h"
#include "FakeQuoteService.h"
#include "HeardEvents.h"
#include "QuoteCodec.h"
#include "QuoteText.h"
#include "Tickora.h"
#include "ProxyEnvironment.h"
#include "TableInput.h"
#include "WindowTable.h"

#include <QStandardItemModel>
#include <QTableView>
#include <QTextCodec>
#include <QtTest>

#include <algorithm>
#include <clocale>
#include <cmath>
#include <limits>

namespace {

QByteArray Line(const QByteArray& code, const QString& sFields)
{
    return QByteArray::fromStdString(ToGbk(FakeQuoteService::Line(code.toStdString(), sFields.toStdString())));
}

const float kNone = std::numeric_limits<float>::quiet_NaN();

// WCAG 2's contrast ratio of two opaque colours.
double Contrast(const QColor& a, const QColor& b)
{
    auto luminance = [](const QColor& colour) {
        auto linear = [](double dChannel) {
            return dChannel <= 0.03928 ? dChannel / 12.92 : std::pow((dChannel + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF()) + 0.0722 * linear(colour.blueF());
    };
    const double dA = luminance(a);
    const double dB = luminance(b);
    return (std::max(dA, dB) + 0.05) / (std::min(dA, dB) + 0.05);
}

// A desktop with a dark theme: dark bases, light text.
QPalette DarkPalette()
{
    QPalette palette(QColor(53, 53, 53));
    palette.setColor(QPalette::Base, QColor(30, 30, 30));
    palette.setColor(QPalette::Text, QColor(238, 238, 236));
    palette.setColor(QPalette::WindowText, QColor(238, 238, 236));
    return palette;
}

QStringList Tokens(const std::vector<std::string>& vecTokens)
{
    QStringList tokens;
    for (const std::string& sToken : vecTokens)
        tokens << QString::fromStdString(sToken);
    return tokens;
}

} // namespace

class tst_Quotes : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void trimString_data();
    void trimString();
    void splitStringCountsEveryField_data();
    void splitStringCountsEveryField();
    void extractBetween_data();
    void extractBetween();

    void cutQuoteGivesTheRecord_data();
    void cutQuoteGivesTheRecord();
    void responseFillsMatchingRows_data();
    void responseFillsMatchingRows();
    void onlyAChangedCodeEmptiesItsRow_data();
    void onlyAChangedCodeEmptiesItsRow();
    void screenReaderHearsWhatChanged_data();
    void screenReaderHearsWhatChanged();
    void codeList_data();
    void codeList();

private:
    QString Background(int nRow) const;
    double ChangeContrast(int nRow) const;

    Tickora* pWindow = nullptr;
    QStandardItemModel* pModel = nullptr;
};

void tst_Quotes::initTestCase()
{
    RouteNowhere();
    // CTest runs this program a second time under a decimal-comma locale, which QApplication
    // has handed to the C library by now. Qt leaves the C library's locale alone on Windows,
    // where a library that sets it from the user's would do what Qt does elsewhere.
    if (!qEnvironmentVariableIsSet("TICKORA_DECIMAL_COMMA"))
        return;
#ifdef Q_OS_WIN
    std::setlocale(LC_ALL, "");
#endif
    if (*std::localeconv()->decimal_point == ',')
        return;
    const char* pMissing = "de_DE.UTF-8 is missing: make it with localedef -i de_DE -f UTF-8 de_DE.UTF-8";
    // The package build makes the locale itself and must never skip this run.
    if (qEnvironmentVariableIsSet("TICKORA_LOCALE_REQUIRED"))
        QFAIL(pMissing);
    QSKIP(pMissing);
}

void tst_Quotes::init()
{
    pWindow = new Tickora;
    pModel = TableModel(*pWindow);
}

void tst_Quotes::cleanup()
{
    delete pWindow;
}

QString tst_Quotes::Background(int nRow) const
{
    const QBrush brush = pModel->item(nRow, 3)->background();
    if (brush.style() == Qt::NoBrush)
        return QString();
    const QColor colour = brush.color();
    if (brush.style() != Qt::SolidPattern || colour.alpha() != 255)
        return "not solid";
    return QString("%1,%2,%3").arg(colour.red()).arg(colour.green()).arg(colour.blue());
}

// The change cell's text against its own background, with the colour the view would draw it in.
double tst_Quotes::ChangeContrast(int nRow) const
{
    const QStandardItem* pItem = pModel->item(nRow, 3);
    const QTableView* pView = pWindow->findChild<QTableView*>("tableView");
    const QColor text = pItem->foreground().style() == Qt::NoBrush ? pView->palette().color(QPalette::Text)
                                                                   : pItem->foreground().color();
    return Contrast(text, pItem->background().color());
}

void tst_Quotes::trimString_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("trimmed");
    QTest::newRow("trailing spaces and tabs go") << QByteArray("12.50 \t \t") << QByteArray("12.50");
    QTest::newRow("leading spaces go") << QByteArray("   12.50") << QByteArray("12.50");
    QTest::newRow("a leading tab stays") << QByteArray("\t 12.50") << QByteArray("\t 12.50");
    QTest::newRow("spaces behind a leading tab stay") << QByteArray(" \t x ") << QByteArray("\t x");
    QTest::newRow("blanks alone become empty") << QByteArray(" \t \t ") << QByteArray();
    QTest::newRow("inner blanks stay") << QByteArray(" a b\tc ") << QByteArray("a b\tc");
    QTest::newRow("empty stays empty") << QByteArray() << QByteArray();
}

void tst_Quotes::trimString()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, trimmed);
    QCOMPARE(QByteArray::fromStdString(TrimString(text.toStdString())), trimmed);
}

void tst_Quotes::splitStringCountsEveryField_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("separator");
    QTest::addColumn<QStringList>("tokens");
    QTest::newRow("empty text gives one empty token") << QByteArray() << QByteArray(",") << QStringList{""};
    QTest::newRow("k separators give k+1 tokens") << QByteArray("a,b,c") << QByteArray(",")
                                                  << QStringList{"a", "b", "c"};
    QTest::newRow("separators at both ends") << QByteArray(",a,") << QByteArray(",") << QStringList{"", "a", ""};
    QTest::newRow("two in a row keep an empty field") << QByteArray("a,,b") << QByteArray(",")
                                                      << QStringList{"a", "", "b"};
    QTest::newRow("tokens are trimmed") << QByteArray(" a\t, b ") << QByteArray(",") << QStringList{"a", "b"};
    QTest::newRow("a remainder overlapping the appended separator gives no token")
        << QByteArray("a::b:") << QByteArray("::") << QStringList{"a", "b"};
    QTest::newRow("empty separator gives nothing rather than looping") << QByteArray("abc") << QByteArray()
                                                                       << QStringList{};
}

void tst_Quotes::splitStringCountsEveryField()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, separator);
    QFETCH(QStringList, tokens);
    QCOMPARE(Tokens(SplitString(text.toStdString(), separator.toStdString())), tokens);
}

void tst_Quotes::extractBetween_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QByteArray>("between");
    QTest::newRow("code between its markers") << QByteArray("var hq_str_sh600519=\"x\";") << true
                                              << QByteArray("sh600519");
    QTest::newRow("first start, first end behind it") << QByteArray("=_str_a=b_str_c=") << true
                                                      << QByteArray("a");
    QTest::newRow("markers touching give empty") << QByteArray("_str_=") << true << QByteArray();
    QTest::newRow("no start empties") << QByteArray("var hq_sh600519=") << false << QByteArray();
    QTest::newRow("end only in front of the start empties") << QByteArray("=x_str_abc") << false << QByteArray();
}

void tst_Quotes::extractBetween()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, found);
    QFETCH(QByteArray, between);
    std::string sText = text.toStdString();
    QCOMPARE(ExtractBetween(sText, "_str_", "="), found);
    QCOMPARE(QByteArray::fromStdString(sText), between);
}

void tst_Quotes::cutQuoteGivesTheRecord_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("cut");
    QTest::addColumn<QByteArray>("code");
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QByteArray>("price");
    QTest::addColumn<float>("change");
    QTest::newRow("full line") << Line("sh600519", "A,1,10.00,10.50,0,0,7,8") << true << QByteArray("sh600519")
                               << QByteArray("A") << QByteArray("10.50") << 0.05f;
    QTest::newRow("exactly six fields") << Line("sh600519", "A,1,10.00,10.50,0,0") << true
                                        << QByteArray("sh600519") << QByteArray("A") << QByteArray("10.50") << 0.05f;
    QTest::newRow("five fields") << Line("sh600519", "A,1,10.00,10.50,0") << false << QByteArray() << QByteArray()
                                 << QByteArray() << 0.0f;
    QTest::newRow("a decimal point whatever the locale") << Line("sz000001", "B,1,11.000,10.956,0,0") << true
                                                        << QByteArray("sz000001") << QByteArray("B")
                                                        << QByteArray("10.956") << -0.004f;
    QTest::newRow("empty fields count") << Line("sh600519", ",,,,,") << true << QByteArray("sh600519") << QByteArray()
                                        << QByteArray() << kNone;
    QTest::newRow("blanks and tabs; a number read past a leading tab")
        << Line("sh600519", " \tA\t , 1 ,\t10, 11 \t,,") << true << QByteArray("sh600519") << QByteArray("\tA")
        << QByteArray("11") << 0.1f;
    QTest::newRow("code marker behind the fields") << QByteArray("=\"A,1,2,3,4,5\";_str_sh1=") << true
                                                   << QByteArray("sh1") << QByteArray("A") << QByteArray("3") << 0.5f;
    QTest::newRow("closing marker before the opening one") << QByteArray("\";var hq_str_sh1=\"A,1,2,3,4,5") << false
                                                           << QByteArray() << QByteArray() << QByteArray() << 0.0f;
    QTest::newRow("equals sign inside the fields") << QByteArray("x_str_a=b=\"N=1,2,3,4,5,6\";") << true
                                                   << QByteArray("a") << QByteArray("N=1") << QByteArray("4")
                                                   << 0.33333334f;
    QTest::newRow("quote inside the fields") << QByteArray("_str_a=\"N\"x,2,3,4,5,6\";") << true << QByteArray("a")
                                             << QByteArray("N\"x") << QByteArray("4") << 0.33333334f;
    QTest::newRow("no code, full fields") << QByteArray("=\"A,1,2,3,4,5\";") << true << QByteArray()
                                          << QByteArray("A") << QByteArray("3") << 0.5f;
    QTest::newRow("nothing at all") << QByteArray() << false << QByteArray() << QByteArray() << QByteArray() << 0.0f;
}

void tst_Quotes::cutQuoteGivesTheRecord()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, cut);
    QFETCH(QByteArray, code);
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, price);
    QFETCH(float, change);
    StockQuote quote;
    QCOMPARE(CutQuote(text.toStdString(), quote), cut);
    if (!cut)
        return;
    QCOMPARE(QByteArray::fromStdString(quote.sCode), code);
    QCOMPARE(QByteArray::fromStdString(quote.sName), name);
    QCOMPARE(QByteArray::fromStdString(quote.sPrice), price);
    QCOMPARE(quote.dChange, change);
}

void tst_Quotes::responseFillsMatchingRows_data()
{
    QTest::addColumn<QStringList>("codes");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("prices");
    QTest::addColumn<QStringList>("changes");
    QTest::addColumn<QStringList>("colours");

    const QString kUp = "255,97,0";
    const QString kDown = "127,255,0";
    const QString kName = QString::fromUtf8("贵州茅台");
    QTest::newRow("substring match: 600519, 519, sh600519 but not 000001 or empty")
        << QStringList{"600519", "519", "sh600519", "000001", ""}
        << Line("sh600519", kName + ",1700.00,1690.00,1710.50,1720.00,1680.00,1710.40")
        << QStringList{kName, kName, kName, "", ""} << QStringList{"1710.50", "1710.50", "1710.50", "", ""}
        << QStringList{"1.21%", "1.21%", "1.21%", "", ""} << QStringList{kUp, kUp, kUp, "", ""};
    QTest::newRow("two rows with one code both update")
        << QStringList{"000001", "600519", "000001"} << Line("sz000001", "A,1,10.00,9.50,0,0")
        << QStringList{"A", "", "A"} << QStringList{"9.50", "", "9.50"} << QStringList{"-5.00%", "", "-5.00%"}
        << QStringList{kDown, "", kDown};
    QTest::newRow("five fields change nothing") << QStringList{"600519"} << Line("sh600519", "A,1,10.00,10.50,0")
                                                << QStringList{""} << QStringList{""} << QStringList{""}
                                                << QStringList{""};
    QTest::newRow("six fields suffice; a rise") << QStringList{"600519"} << Line("sh600519", "A,1,10.00,10.50,0,0")
                                                << QStringList{"A"} << QStringList{"10.50"} << QStringList{"5.00%"}
                                                << QStringList{kUp};
    QTest::newRow("a fall") << QStringList{"600519"} << Line("sh600519", "A,1,10.00,9.50,0,0") << QStringList{"A"}
                            << QStringList{"9.50"} << QStringList{"-5.00%"} << QStringList{kDown};
    QTest::newRow("a small fall read with the service's decimal point")
        << QStringList{"000001"} << Line("sz000001", "B,1,11.000,10.956,0,0") << QStringList{"B"}
        << QStringList{"10.956"} << QStringList{"-0.40%"} << QStringList{kDown};
    QTest::newRow("no change takes the rise colour")
        << QStringList{"600519"} << Line("sh600519", "A,1,10.00,10.00,0,0") << QStringList{"A"}
        << QStringList{"10.00"} << QStringList{"0.00%"} << QStringList{kUp};
    QTest::newRow("a fall too small to show still takes the fall colour")
        << QStringList{"600519"} << Line("sh600519", "A,1,100.000,99.999,0,0") << QStringList{"A"}
        << QStringList{"99.999"} << QStringList{"-0.00%"} << QStringList{kDown};
    QTest::newRow("price shown as received") << QStringList{"600519"} << Line("sh600519", "A,1,12.000,12.500,0,0")
                                             << QStringList{"A"} << QStringList{"12.500"} << QStringList{"4.17%"}
                                             << QStringList{kUp};
    QTest::newRow("blanks trimmed, a leading tab kept")
        << QStringList{"600519"} << Line("sh600519", "\tA \t,1, 10.00\t,  10.50 \t,0,0") << QStringList{"\tA"}
        << QStringList{"10.50"} << QStringList{"5.00%"} << QStringList{kUp};
    QTest::newRow("two quote lines give the first only")
        << QStringList{"600519", "000001"}
        << Line("sh600519", "A,1,10.00,10.50,0,0") + Line("sz000001", "B,1,10.00,9.00,0,0") << QStringList{"A", ""}
        << QStringList{"10.50", ""} << QStringList{"5.00%", ""} << QStringList{kUp, ""};
    QTest::newRow("no _str_ marker: no code, nothing changes")
        << QStringList{"600519"} << QByteArray("var hq_sh600519=\"A,1,10.00,10.50,0,0\";") << QStringList{""}
        << QStringList{""} << QStringList{""} << QStringList{""};
    QTest::newRow("no closing marker: no fields")
        << QStringList{"600519"} << QByteArray("var hq_str_sh600519=\"A,1,10.00,10.50,0,0\"") << QStringList{""}
        << QStringList{""} << QStringList{""} << QStringList{""};
    QTest::newRow("the client's failure sentence changes nothing")
        << QStringList{"600519"} << FailureSentence(0, CURLE_COULDNT_CONNECT)
        << QStringList{""} << QStringList{""} << QStringList{""} << QStringList{""};
    QTest::newRow("the empty quote of an unknown code changes nothing")
        << QStringList{"600519"} << QByteArray("var hq_str_sh600519=\"\";") << QStringList{""} << QStringList{""}
        << QStringList{""} << QStringList{""};
    QTest::newRow("a GBK name with a rare character arrives intact")
        << QStringList{"002752"} << Line("sz002752", QString::fromUtf8("昇兴股份,5.13,5.12,5.31,5.36,5.08"))
        << QStringList{QString::fromUtf8("昇兴股份")} << QStringList{"5.31"} << QStringList{"3.71%"}
        << QStringList{kUp};
    QTest::newRow("a price of 0.000 shows no change")
        << QStringList{"600519"} << Line("sh600519", "A,0.000,10.00,0.000,0,0") << QStringList{"A"}
        << QStringList{"0.000"} << QStringList{"--"} << QStringList{kUp};
    QTest::newRow("a previous close of 0 shows no change")
        << QStringList{"600519"} << Line("sh600519", "A,1,0.00,10.50,0,0") << QStringList{"A"}
        << QStringList{"10.50"} << QStringList{"--"} << QStringList{kUp};
    QTest::newRow("a price that is not a number shows no change")
        << QStringList{"600519"} << Line("sh600519", "A,1,10.00,abc,0,0") << QStringList{"A"} << QStringList{"abc"}
        << QStringList{"--"} << QStringList{kUp};
    QTest::newRow("nan and inf texts show no change")
        << QStringList{"600519", "000001"} << Line("sh600519", "A,1,nan,inf,0,0") << QStringList{"A", ""}
        << QStringList{"inf", ""} << QStringList{"--", ""} << QStringList{kUp, ""};
    QTest::newRow("a value past float range shows no change")
        << QStringList{"600519"} << Line("sh600519", "A,1,1e300,10,0,0") << QStringList{"A"} << QStringList{"10"}
        << QStringList{"--"} << QStringList{kUp};
    QTest::newRow("a ratio too large for a percentage shows no change")
        << QStringList{"600519"} << Line("sh600519", "X,1,0.0000001,1e30,0,0") << QStringList{"X"}
        << QStringList{"1e30"} << QStringList{"--"} << QStringList{kUp};
}

void tst_Quotes::responseFillsMatchingRows()
{
    QFETCH(QStringList, codes);
    QFETCH(QByteArray, text);
    QFETCH(QStringList, names);
    QFETCH(QStringList, prices);
    QFETCH(QStringList, changes);
    QFETCH(QStringList, colours);

    FillTable(*pWindow, codes);
    // As the worker hands it over: decoded from the service's encoding.
    pWindow->HandleCatchResult(QuoteCodec()->toUnicode(text));
    for (int nRow = 0; nRow < codes.size(); ++nRow) {
        QCOMPARE(pModel->item(nRow, 0)->text(), codes[nRow]);
        QCOMPARE(pModel->item(nRow, 1)->text(), names[nRow]);
        QCOMPARE(pModel->item(nRow, 2)->text(), prices[nRow]);
        QCOMPARE(pModel->item(nRow, 3)->text(), changes[nRow]);
        QCOMPARE(Background(nRow), colours[nRow]);
        if (colours[nRow].isEmpty())
            continue;
        // Readable on its light background on a light desktop and on a dark one alike.
        const QPalette desktop = QApplication::palette();
        for (const QPalette& palette : {desktop, DarkPalette()}) {
            QApplication::setPalette(palette);
            const double dContrast = ChangeContrast(nRow);
            QApplication::setPalette(desktop);
            QVERIFY2(dContrast >= 4.5, qPrintable(QString("contrast %1").arg(dContrast)));
        }
    }
}

void tst_Quotes::onlyAChangedCodeEmptiesItsRow_data()
{
    QTest::addColumn<QString>("committed"); // typed into row 0's code cell; empty: nothing typed
    QTest::addColumn<QByteArray>("text");   // then handed over as a response
    QTest::addColumn<QStringList>("row");   // what row 0 shows in the end, and its change in words
    const QStringList kLastGood{"600519", "A", "9.50", "-5.00%", "127,255,0", "下跌"};
    QTest::newRow("a failure sentence") << QString() << FailureSentence(404, CURLE_OK) << kLastGood;
    QTest::newRow("an empty text") << QString() << QByteArray() << kLastGood;
    QTest::newRow("five fields") << QString() << Line("sh600519", "B,1,10.00") << kLastGood;
    QTest::newRow("the empty quote of an unknown code") << QString() << QByteArray("var hq_str_sh600519=\"\";")
                                                        << kLastGood;
    QTest::newRow("a quote for another code") << QString() << Line("sz000001", "B,1,10.00,11.00,0,0") << kLastGood;
    QTest::newRow("the same code committed again") << "600519" << QByteArray() << kLastGood;
    QTest::newRow("a later good line overwrites, colour included")
        << QString() << Line("sh600519", "C,1,10.00,11.00,0,0")
        << QStringList{"600519", "C", "11.00", "10.00%", "255,97,0", "上涨"};
    QTest::newRow("a changed code empties the row") << "999999" << QByteArray()
                                                    << QStringList{"999999", "", "", "", "", ""};
    QTest::newRow("a changed code fills again with its own quote")
        << "000001" << Line("sz000001", "B,1,10.00,11.00,0,0")
        << QStringList{"000001", "B", "11.00", "10.00%", "255,97,0", "上涨"};
}

void tst_Quotes::onlyAChangedCodeEmptiesItsRow()
{
    QFETCH(QString, committed);
    QFETCH(QByteArray, text);
    QFETCH(QStringList, row);
    pWindow->show();
    pModel->item(0, 0)->setText("600519");
    pWindow->HandleCatchResult(QuoteCodec()->toUnicode(Line("sh600519", "A,1,10.00,9.50,0,0")));
    if (!committed.isEmpty())
        EditCell(*pWindow->findChild<QTableView*>("tableView"), pModel->index(0, 0), committed);
    pWindow->HandleCatchResult(QuoteCodec()->toUnicode(text));
    const QStringList shown{pModel->item(0, 0)->text(), pModel->item(0, 1)->text(), pModel->item(0, 2)->text(),
                            pModel->item(0, 3)->text(), Background(0),
                            pModel->item(0, 3)->data(Qt::AccessibleDescriptionRole).toString()};
    QCOMPARE(shown, row);
    if (row[4].isEmpty())
        QCOMPARE(pModel->item(0, 3)->foreground().style(), Qt::NoBrush);
}

void tst_Quotes::screenReaderHearsWhatChanged_data()
{
    QTest::addColumn<QByteArray>("before"); // what row 0 (600519) shows first; empty: nothing
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QStringList>("heard");
    QTest::addColumn<QString>("description"); // of row 0's change cell, afterwards
    const QByteArray kRise = Line("sh600519", "A,1,10.00,10.50,0,0");
    QTest::newRow("a first quote: every cell of its row")
        << QByteArray() << kRise
        << QStringList{"NameChanged 0,1", "NameChanged 0,2", "NameChanged 0,3", "DescriptionChanged 0,3"}
        << "上涨";
    QTest::newRow("the same quote again: nothing") << kRise << kRise << QStringList{} << "上涨";
    QTest::newRow("a fall, in words too")
        << kRise << Line("sh600519", "A,1,10.00,9.50,0,0")
        << QStringList{"NameChanged 0,2", "NameChanged 0,3", "DescriptionChanged 0,3"} << "下跌";
    QTest::newRow("no change, in words too")
        << kRise << Line("sh600519", "A,1,10.00,10.00,0,0")
        << QStringList{"NameChanged 0,2", "NameChanged 0,3", "DescriptionChanged 0,3"} << "平盘";
    QTest::newRow("a new name alone") << kRise << Line("sh600519", "B,1,10.00,10.50,0,0")
                                      << QStringList{"NameChanged 0,1"} << "上涨";
    QTest::newRow("no change to show: no words")
        << kRise << Line("sh600519", "A,1,0,10.50,0,0") << QStringList{"NameChanged 0,3", "DescriptionChanged 0,3"}
        << "";
}

// Only what really changed is told, once, and the change cell's colour is put in words.
void tst_Quotes::screenReaderHearsWhatChanged()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, text);
    QFETCH(QStringList, heard);
    QFETCH(QString, description);
    FillTable(*pWindow, {"600519", "000001", ""});
    pWindow->HandleCatchResult(QuoteCodec()->toUnicode(before));
    HeardEvents events;
    pWindow->HandleCatchResult(QuoteCodec()->toUnicode(text));
    QCOMPARE(HeardEvents::Heard(), heard);
    QCOMPARE(CellDescription(*pWindow, 0, 3), description);
}

void tst_Quotes::codeList_data()
{
    QTest::addColumn<QStringList>("codes");
    QTest::addColumn<QString>("list");
    QTest::newRow("two codes and the entry row") << QStringList{"600519", "000001", ""}
                                                 << "sh600519,sz000001,";
    QTest::newRow("a leading blank gives sz and stays") << QStringList{" 600519"} << "sz 600519,";
    QTest::newRow("688 is Shanghai") << QStringList{"688981"} << "sh688981,";
    QTest::newRow("300 and 000 are Shenzhen") << QStringList{"300750", "000002"} << "sz300750,sz000002,";
    QTest::newRow("a 6 further in is Shenzhen") << QStringList{"106"} << "sz106,";
    QTest::newRow("letters are sent as they are") << QStringList{"abc"} << "szabc,";
    QTest::newRow("empty cells between codes are skipped") << QStringList{"", "600000", ""} << "sh600000,";
    QTest::newRow("only empty cells give an empty list") << QStringList{"", ""} << "";
    QTest::newRow("an empty table gives an empty list") << QStringList{} << "";
}

void tst_Quotes::codeList()
{
    QFETCH(QStringList, codes);
    QFETCH(QString, list);
    FillTable(*pWindow, codes);
    QCOMPARE(pWindow->CodeList(), list);
}

QTEST_MAIN(tst_Quotes)
#include "tst_quotes.moc"
