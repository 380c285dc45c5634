// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QCoreApplication;

// Qt's own texts (the standard buttons, the file dialogs, the context menus of the text fields)
// in Simplified Chinese whatever the system language, from Qt's translations (Debian's
// qt6-translations-l10n). False when they are not installed: Qt's texts then stay English.
bool InstallQtChinese(QCoreApplication& app);
