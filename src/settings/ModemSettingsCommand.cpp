// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/ModemSettingsCommand.h"

#include "gui/AppTitles.h"
#include "gui/Status.h"
#include "settings/CModemSettingsDlg.h"

void RunModemSettingsCommand(const AppServices& services, const std::string& programDirectory) {
    CModemSettingsDlg dialog(services, programDirectory);
    status::SetStatusText(CModemSettingsDlg::kTitle.toString());
    dialog.exec();
    status::SetStatusText(titles::ApplicationTitle());
}
