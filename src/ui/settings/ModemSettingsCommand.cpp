// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/settings/ModemSettingsCommand.h"

#include "ui/kit/AppTitles.h"
#include "ui/kit/Status.h"
#include "ui/settings/ModemSettingsDialog.h"

void RunModemSettingsCommand(const AppServices& services, const std::string& programDirectory, QWidget* parent) {
    ModemSettingsDialog dialog(services, programDirectory, parent);
    status::SetStatusText(ModemSettingsDialog::kTitle.toString());
    dialog.exec();
    status::SetStatusText(titles::ApplicationTitle());
}
