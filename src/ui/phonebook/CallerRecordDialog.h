// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/kit/ModemDialog.h"

class QListWidget;
class QPushButton;

// The caller-ID log, fetched from the modem when the dialog opens and shown one line per call,
// sorted by text (so by month, day, hour and minute). Only shows; changes nothing.
class CallerRecordDialog : public ModemDialog {
    Q_OBJECT
public:
    explicit CallerRecordDialog(const AppServices& services, QWidget* parent = nullptr);

    QListWidget* List() const { return m_list; }

    // Fetches the log and fills the list.
    void ReadCallerRecords();
    // Enter, which the dialog takes although it has no OK button.
    void OnOK();
    // Exit, Esc and the close box.
    void OnCancel();

    void reject() override;

protected:
    void InitializeControls() override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QListWidget* m_list = nullptr;
    QPushButton* m_exit = nullptr;
};
