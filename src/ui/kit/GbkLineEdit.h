// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLineEdit>

class MessageBoxService;

// A one-line edit whose length limit counts GBK bytes, as the modem and RERAVA.INI count them (a
// Chinese character counts two). Typing beyond the limit is refused; a longer text set from
// outside (a hand-edited RERAVA.INI) is shown whole and caught by CheckLength when the dialog
// takes its fields.
class GbkLineEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit GbkLineEdit(QWidget* parent = nullptr);

    void SetByteLimit(int bytes);
    int ByteLimit() const { return m_limit; }
    // Digits only (password and clock fields).
    void SetDigitsOnly(bool digitsOnly);

    // True when the text fits. Otherwise shows "“请填入不多于%1个的字符。”" with the exclamation
    // icon, puts the focus on this field with its text selected, and returns false.
    bool CheckLength(MessageBoxService& messages);

private:
    void RefuseOverflow();

    int m_limit = 32767;
    bool m_digitsOnly = false;
    QString m_accepted;
    bool m_adjusting = false;
};
