#include "app/QtTranslations.h"

#include "platform/DebugLog.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace kestrum {

namespace {

bool installCatalogue(QCoreApplication& app, const QString& folder, const QString& name) {
    auto* translator = new QTranslator(&app);
    if (!translator->load(name, folder)) {
        debugLog("kestrum: cannot load Qt's translation " + name.toStdString() + " from " +
                 folder.toStdString() + "\n");
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    return true;
}

} // namespace

bool installQtTranslations(QCoreApplication& app) {
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    const bool base = installCatalogue(app, folder, QStringLiteral("qtbase_zh_CN"));
    installCatalogue(app, folder, QStringLiteral("qtwebengine_zh_CN"));
    return base;
}

} // namespace kestrum
