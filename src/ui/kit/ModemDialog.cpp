// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/kit/ModemDialog.h"

#include "core/modem/ModemDetection.h"
#include "core/platform/ProgramTexts.h"
#include "ui/kit/MessageBoxService.h"
#include "ui/kit/Status.h"

ModemDialog::ModemDialog(const AppServices& services, QWidget* parent)
    : QDialog(parent), m_services(services), m_link(services.Link()) {}

ModemDialog::~ModemDialog() {
    ClosePortIfFound();
}

bool ModemDialog::DetectModem() {
    DetectionReport report;
    bool found = false;
    {
        status::WaitCursor wait;
        found = FindModem(m_link, &report);
    }
    if (found) {
        m_modemFound = 1;
        return true;
    }
    m_services.messages.ShowWithDetails(parentWidget(), texts::kNoModemMessage.toString(),
                                        MessageBoxService::Icon::Stop, DescribeDetection(report));
    return false;
}

void ModemDialog::ClosePortIfFound() {
    if (m_modemFound == 1)
        m_link.Close();
    m_modemFound = 0;
}

int ModemDialog::exec() {
    if (!DetectModem())
        return QDialog::Rejected;
    {
        // The caller records are read from the modem here, before the dialog shows.
        status::WaitCursor wait;
        InitializeControls();
    }
    const int result = QDialog::exec();
    ClosePortIfFound();
    return result;
}
