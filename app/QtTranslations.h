// Qt's own texts in Hungarian: the buttons of the standard boxes and the file dialogs speak the
// window's language.
#pragma once

#include <QObject>

namespace ruvu {

// Installs Qt's Hungarian translation (qtbase_hu) on the application, found in Qt's translations
// folder; the translator is a child of parent. False when no translation is installed: Qt's texts
// then stay English.
bool InstallQtTranslations(QObject* parent);

}  // namespace ruvu
