// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AppTitles.h"
#include "app/Status.h"
#include "faxlist/CFAXDESKView.h"
#include "phonebook/CPhoneNumberDlg.h"

// Command 32784: the phone-number memory. The status bar names it while it is open; the idle text
// comes back whichever way it ends, also when no modem was found and it never showed.
void CFAXDESKView::OnPhoneNumbers() {
    CPhoneNumberDlg dialog(Services());
    status::SetStatusText(QStringLiteral("KorvelQuorraMODEM电话号码存储"));
    dialog.m_iniPath = ProgramDirectory();
    dialog.exec();
    status::SetStatusText(titles::ApplicationTitle());
}
