// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AppTitles.h"
#include "app/Status.h"
#include "faxlist/CFAXDESKView.h"
#include "settings/CModemSettingsDlg.h"

// Command 32775: the modem settings dialog. The status bar names it while it is open; the idle
// text comes back whichever way it ends, also when no modem was found and it never showed.
void CFAXDESKView::OnModemSettings() {
    CModemSettingsDlg dialog(Services(), ProgramDirectory());
    status::SetStatusText(QStringLiteral("KorvelQuorraMODEM参数设置"));
    dialog.exec();
    status::SetStatusText(titles::ApplicationTitle());
}
