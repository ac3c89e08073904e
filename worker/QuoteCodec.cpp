#include "QuoteCodec.h"

#include <QTextCodec>

QTextCodec* QuoteCodec()
{
    static QTextCodec* const pCodec = [] {
        QTextCodec* pFound = QTextCodec::codecForName("GB18030");
        return pFound ? pFound : QTextCodec::codecForLocale();
    }();
    return pCodec;
}
