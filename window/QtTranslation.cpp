#include "QtTranslation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

QLocale QtTranslation::DialogLocale(const QLocale& system)
{
    if (system.language() == QLocale::Chinese)
        return system;
    return {QLocale::Chinese, QLocale::SimplifiedChineseScript, QLocale::China};
}

bool QtTranslation::Load(QTranslator& translator, const QLocale& system)
{
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
    const QString sDirectory = QLibraryInfo::location(QLibraryInfo::TranslationsPath);
#else
    const QString sDirectory = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
#endif
    const QLocale locale = DialogLocale(system);
    // Qt ships zh_CN and zh_TW; another Chinese locale (zh_HK, zh_SG, ...) takes the one of
    // its script.
    const QString sScriptCatalogue = locale.script() == QLocale::TraditionalChineseScript
                                         ? QStringLiteral("qtbase_zh_TW")
                                         : QStringLiteral("qtbase_zh_CN");
    return translator.load(locale, QStringLiteral("qtbase"), QStringLiteral("_"), sDirectory)
        || translator.load(sScriptCatalogue, sDirectory);
}

void QtTranslation::Install()
{
    auto* pTranslator = new QTranslator(QCoreApplication::instance());
    if (Load(*pTranslator, QLocale::system()))
        QCoreApplication::installTranslator(pTranslator);
    else
        delete pTranslator;
}
