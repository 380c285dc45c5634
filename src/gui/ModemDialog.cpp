// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/ModemDialog.h"

#include "gui/MessageBoxService.h"
#include "gui/Status.h"
#include "modem/ModemDetection.h"
#include "platform/ProgramTexts.h"

CModemDialog::CModemDialog(const AppServices& services, QWidget* parent)
    : QDialog(parent), m_services(services), m_link(services.Link()) {}

CModemDialog::~CModemDialog() {
    ClosePortIfFound();
}

int CModemDialog::DetectModem() {
    DetectionReport report;
    bool found = false;
    {
        status::WaitCursor wait;
        found = FindModem(m_link, &report);
    }
    if (found) {
        m_modemFound = 1;
        return 0;
    }
    m_services.messages.ShowWithDetails(parentWidget(), texts::kNoModemMessage.toString(),
                                        MessageBoxService::Icon::Stop, DescribeDetection(report));
    return -1;
}

void CModemDialog::ClosePortIfFound() {
    if (m_modemFound == 1)
        m_link.Close();
    m_modemFound = 0;
}

int CModemDialog::exec() {
    if (DetectModem() != 0)
        return QDialog::Rejected;
    {
        // The caller records are read from the modem here, before the dialog shows.
        status::WaitCursor wait;
        OnInitDialog();
    }
    const int result = QDialog::exec();
    ClosePortIfFound();
    return result;
}
