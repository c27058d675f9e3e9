#pragma once

// Qt's own texts (the standard buttons, the file dialogs, the web panels' menus) in the
// window's language, which is Chinese whatever the desktop's language is.

class QCoreApplication;

namespace kestrum {

// Loads Qt's Chinese (zh_CN) translations from Qt's translations folder and installs them on
// `app`, which owns them. Returns whether Qt's base texts were installed; when they cannot be
// loaded (the translations package is missing) the debug log says so and Qt's English texts
// stay.
bool installQtTranslations(QCoreApplication& app);

} // namespace kestrum
