// SPDX-License-Identifier: GPL-3.0-or-later
#include "phonebook/CallerRecordsCommand.h"

#include "gui/AppTitles.h"
#include "gui/Status.h"
#include "phonebook/CCallerRecordDlg.h"

void RunCallerRecordsCommand(const AppServices& services, QWidget* parent) {
    CCallerRecordDlg dialog(services, parent);
    status::SetStatusText(QStringLiteral("KorvelQuorraMODEM来电记录显示"));
    dialog.exec();
    status::SetStatusText(titles::ApplicationTitle());
}
