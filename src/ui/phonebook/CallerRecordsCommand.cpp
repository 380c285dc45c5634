// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/phonebook/CallerRecordsCommand.h"

#include "ui/kit/AppTitles.h"
#include "ui/kit/Status.h"
#include "ui/phonebook/CallerRecordDialog.h"

void RunCallerRecordsCommand(const AppServices& services, QWidget* parent) {
    CallerRecordDialog dialog(services, parent);
    status::SetStatusText(QStringLiteral("KorvelQuorraMODEM来电记录显示"));
    dialog.exec();
    status::SetStatusText(titles::ApplicationTitle());
}
