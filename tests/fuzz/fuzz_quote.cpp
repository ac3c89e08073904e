// libFuzzer target: arbitrary bytes as a response text, through the cutting of quote lines and
// into the window's row update; the sanitizers report what goes out of bounds.
#include "QuoteCodec.h"
#include "QuoteText.h"
#include "Tickora.h"
#include "WindowTable.h"

#include <QApplication>
#include <QStandardItemModel>
#include <QTableView>
#include <QTextCodec>
#include <QTimer>

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace {

Tickora* pWindow = nullptr;

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("http_proxy", "http://127.0.0.1:9"); // the window's worker never gets a list anyway
    static QApplication application(*argc, *argv);
    pWindow = new Tickora;
    pWindow->findChild<QTimer*>()->stop();
    // Short codes, so that mutated texts match rows often.
    const QStringList codes = {"600519", "sh600519", "519", "1", "a", "sh", "=", "\"", "", "000001"};
    QStringList rows;
    for (int nRow = 0; nRow < 20; ++nRow)
        rows << codes[nRow % codes.size()];
    FillTable(*pWindow, rows);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    const std::string sText(reinterpret_cast<const char*>(pData), nSize);
    // What the record holds must come from the text: a record is cut only from six fields or
    // more, and its code, name and price are pieces of the text.
    StockQuote quote;
    if (CutQuote(sText, quote)
        && (sText.find(quote.sCode) == std::string::npos || sText.find(quote.sName) == std::string::npos
            || sText.find(quote.sPrice) == std::string::npos || std::count(sText.begin(), sText.end(), ',') < 5))
        std::abort();

    // As the worker hands texts over: decoded, up to the first NUL byte.
    pWindow->HandleCatchResult(QuoteCodec()->toUnicode(sText.c_str()));
    // And a text with NUL characters inside, which the window must cut at the first one.
    pWindow->HandleCatchResult(QuoteCodec()->toUnicode(QByteArray(sText.data(), static_cast<int>(sText.size()))));
    return 0;
}
