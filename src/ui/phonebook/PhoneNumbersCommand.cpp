// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/phonebook/PhoneNumbersCommand.h"

#include "ui/kit/AppTitles.h"
#include "ui/kit/Status.h"
#include "ui/phonebook/PhoneNumberDialog.h"

void RunPhoneNumbersCommand(const AppServices& services, const std::string& programDirectory, QWidget* parent) {
    PhoneNumberDialog dialog(services, parent);
    status::SetStatusText(QStringLiteral("KorvelQuorraMODEM电话号码存储"));
    dialog.m_iniPath = programDirectory;
    dialog.exec();
    status::SetStatusText(titles::ApplicationTitle());
}
