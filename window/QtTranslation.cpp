#include "QtTranslation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

QLocale QtTranslation::DialogLocale(const QLocale& system)
{
    if (system.language() == QLocale::Chinese)
        return system;
    return QLocale(QLocale::Chinese, QLocale::SimplifiedChineseScript, QLocale::China);
}

void QtTranslation::Install()
{
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
    const QString sDirectory = QLibraryInfo::location(QLibraryInfo::TranslationsPath);
#else
    const QString sDirectory = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
#endif
    const QLocale locale = DialogLocale(QLocale::system());
    // Qt ships zh_CN and zh_TW; another Chinese locale (zh_HK, zh_SG, ...) takes the one of
    // its script.
    const QString sScriptCatalogue = locale.script() == QLocale::TraditionalChineseScript
                                         ? QStringLiteral("qtbase_zh_TW")
                                         : QStringLiteral("qtbase_zh_CN");
    auto* pTranslator = new QTranslator(QCoreApplication::instance());
    if (pTranslator->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"), sDirectory)
        || pTranslator->load(sScriptCatalogue, sDirectory))
        QCoreApplication::installTranslator(pTranslator);
    else
        delete pTranslator;
}
