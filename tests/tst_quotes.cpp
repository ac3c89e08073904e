// Cutting response texts into table cells, and the code list the poll hands to the worker.
#include "FakeQuoteService.h"
#include "QuoteCodec.h"
#include "QuoteText.h"
#include "ReferenceCut.h"
#include "Tickora.h"
#include "ProxyEnvironment.h"
#include "WindowTable.h"

#include <QStandardItemModel>
#include <QTableView>
#include <QTextCodec>
#include <QtTest>

namespace {

QByteArray Line(const QByteArray& code, const QString& sFields)
{
    return QByteArray::fromStdString(ToGbk(FakeQuoteService::Line(code.toStdString(), sFields.toStdString())));
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

    void cutQuoteAgreesWithSplitting_data();
    void cutQuoteAgreesWithSplitting();
    void responseFillsMatchingRows_data();
    void responseFillsMatchingRows();
    void failingTextKeepsLastGoodValues();
    void codeList_data();
    void codeList();

private:
    QString Background(int nRow) const;

    Tickora* pWindow = nullptr;
    QStandardItemModel* pModel = nullptr;
};

void tst_Quotes::initTestCase()
{
    RouteNowhere();
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

void tst_Quotes::cutQuoteAgreesWithSplitting_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("cut");
    QTest::newRow("full line") << Line("sh600519", "A,1,10.00,10.50,0,0,7,8") << true;
    QTest::newRow("exactly six fields") << Line("sh600519", "A,1,10.00,10.50,0,0") << true;
    QTest::newRow("five fields") << Line("sh600519", "A,1,10.00,10.50,0") << false;
    QTest::newRow("empty fields count") << Line("sh600519", ",,,,,") << true;
    QTest::newRow("blanks and tabs") << Line("sh600519", " \tA\t , 1 ,\t10, 11 \t,,") << true;
    QTest::newRow("code marker behind the fields") << QByteArray("=\"A,1,2,3,4,5\";_str_sh1=") << true;
    QTest::newRow("closing marker before the opening one") << QByteArray("\";var hq_str_sh1=\"A,1,2,3,4,5") << false;
    QTest::newRow("equals sign inside the fields") << QByteArray("x_str_a=b=\"N=1,2,3,4,5,6\";") << true;
    QTest::newRow("quote inside the fields") << QByteArray("_str_a=\"N\"x,2,3,4,5,6\";") << true;
    QTest::newRow("no code, full fields") << QByteArray("=\"A,1,2,3,4,5\";") << true;
    QTest::newRow("nothing at all") << QByteArray() << false;
}

// ReferenceCut copies the program's change rule, so this agreement says nothing about the
// change values themselves: responseFillsMatchingRows checks those against literal rows.
void tst_Quotes::cutQuoteAgreesWithSplitting()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, cut);
    StockQuote fast;
    StockQuote reference;
    QCOMPARE(CutQuote(text.toStdString(), fast), cut);
    QCOMPARE(ReferenceCut(text.toStdString(), reference), cut);
    if (cut)
        QVERIFY(SameQuote(fast, reference));
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
        << QStringList{"600519"} << QByteArray("Down page Failed Error Code is 0=Couldn't connect to server")
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
    }
}

void tst_Quotes::failingTextKeepsLastGoodValues()
{
    FillTable(*pWindow, {"600519"});
    pWindow->HandleCatchResult(QuoteCodec()->toUnicode(Line("sh600519", "A,1,10.00,9.50,0,0")));
    pWindow->HandleCatchResult("Down page Failed Error Code is 404=No error");
    pWindow->HandleCatchResult(QString());
    pWindow->HandleCatchResult(QuoteCodec()->toUnicode(Line("sh600519", "B,1,10.00")));
    QCOMPARE(pModel->item(0, 1)->text(), QString("A"));
    QCOMPARE(pModel->item(0, 3)->text(), QString("-5.00%"));
    QCOMPARE(Background(0), QString("127,255,0"));
    // A later good line overwrites, colour included.
    pWindow->HandleCatchResult(QuoteCodec()->toUnicode(Line("sh600519", "C,1,10.00,11.00,0,0")));
    QCOMPARE(pModel->item(0, 1)->text(), QString("C"));
    QCOMPARE(Background(0), QString("255,97,0"));
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
