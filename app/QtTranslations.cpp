#include "app/QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <memory>

namespace ruvu {

bool InstallQtTranslations(QObject* parent) {
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(QLocale(QLocale::Hungarian, QLocale::Hungary), QStringLiteral("qtbase"),
                          QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        return false;
    }
    translator->setParent(parent);
    return QCoreApplication::installTranslator(translator.release());
}

}  // namespace ruvu
