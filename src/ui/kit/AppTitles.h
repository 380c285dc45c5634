// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/platform/ProgramTexts.h"

#include <QString>

// The program's own names.
namespace titles {
// Caption of every message box and the status bar's idle text.
inline QString ApplicationTitle() {
    return texts::kProgramTitle.toString();
}
// The main window's title.
inline QString MainWindowTitle() {
    return QStringLiteral("KorvelQuorraMODEM传真软件");
}
} // namespace titles
