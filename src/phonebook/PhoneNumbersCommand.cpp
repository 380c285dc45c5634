// SPDX-License-Identifier: GPL-3.0-or-later
#include "phonebook/PhoneNumbersCommand.h"

#include "gui/AppTitles.h"
#include "gui/Status.h"
#include "phonebook/CPhoneNumberDlg.h"

void RunPhoneNumbersCommand(const AppServices& services, const std::string& programDirectory, QWidget* parent) {
    CPhoneNumberDlg dialog(services, parent);
    status::SetStatusText(QStringLiteral("KorvelQuorraMODEM电话号码存储"));
    dialog.m_iniPath = programDirectory;
    dialog.exec();
    status::SetStatusText(titles::ApplicationTitle());
}
