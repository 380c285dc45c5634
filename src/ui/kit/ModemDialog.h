// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/modem/ModemLink.h"
#include "ui/kit/AppServices.h"

#include <QDialog>

// Base of the three dialogs that talk to the modem (settings, phone numbers, caller records). Each
// owns its ModemLink. Before the dialog is shown it finds the modem (DetectModem), under the wait
// cursor: on failure the user is told "检测调制解调器失败！" with the stop icon, what happened on
// each port in the details, and the dialog never appears. Then
// InitializeControls fills it, and it runs modally. Whichever way it ends, the port is closed.
class ModemDialog : public QDialog {
    Q_OBJECT
public:
    ModemDialog(const AppServices& services, QWidget* parent = nullptr);
    ~ModemDialog() override;

    // Detection, InitializeControls, then the modal loop. Returns QDialog::Rejected without showing
    // anything when no modem answered.
    int exec() override;

    int m_modemFound = 0;

protected:
    // Fills the controls; runs after the detection, before the dialog is first shown.
    virtual void InitializeControls() {}
    // Closes the port when the detection had opened it.
    void ClosePortIfFound();
    // The detection of the window's creation: true to go on, false (told) when no modem answered.
    bool DetectModem();

    const AppServices& m_services;
    ModemLink m_link;
};
