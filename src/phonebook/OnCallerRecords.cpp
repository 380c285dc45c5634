// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AppTitles.h"
#include "app/Status.h"
#include "faxlist/CFAXDESKView.h"
#include "phonebook/CCallerRecordDlg.h"

// Command 32786: the caller-ID log. The status bar names it while it is open; the idle text comes
// back whichever way it ends, also when no modem was found and it never showed.
void CFAXDESKView::OnCallerRecords() {
    CCallerRecordDlg dialog(Services());
    status::SetStatusText(QStringLiteral("KorvelQuorraMODEM来电记录显示"));
    dialog.exec();
    status::SetStatusText(titles::ApplicationTitle());
}
