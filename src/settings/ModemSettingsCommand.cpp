// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/ModemSettingsCommand.h"

#include "gui/AppTitles.h"
#include "gui/Status.h"
#include "settings/CModemSettingsDlg.h"

void RunModemSettingsCommand(const AppServices& services, const std::string& programDirectory, QWidget* parent) {
    CModemSettingsDlg dialog(services, programDirectory, parent);
    status::SetStatusText(CModemSettingsDlg::kTitle.toString());
    dialog.exec();
    status::SetStatusText(titles::ApplicationTitle());
}
