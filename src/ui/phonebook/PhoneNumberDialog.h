// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/phonebook/PhoneNumberMemory.h"
#include "ui/kit/ModemDialog.h"

#include <array>
#include <string>

class GbkLineEdit;
class QPushButton;

// The phone-number memory: fifteen numbers, eleven of them with a name, edited in one dialog,
// filled from RERAVA.INI and sent into the modem's slots on Save. RERAVA.INI is written only
// after the modem acknowledged every slot.
class PhoneNumberDialog : public ModemDialog {
    Q_OBJECT
public:
    // The number edit of entry n is named "numberEdit<n>" (1..15), its name edit "nameEdit<n>" (5..15).
    explicit PhoneNumberDialog(const AppServices& services, QWidget* parent = nullptr);
    ~PhoneNumberDialog() override;

    // The program directory, ending in a separator; RERAVA.INI is looked for in it. Filled from
    // the program's path at construction; the view sets it as well.
    std::string m_iniPath;
    int m_busy = 0;
    std::array<std::string, phonebook::kNumberCount> m_numbers; // GBK, entries 1..15
    std::array<std::string, phonebook::kNameCount> m_names;     // GBK, entries 5..15

    GbkLineEdit* NumberEdit(int entry) const { return m_numberEdits[static_cast<size_t>(entry - 1)]; }
    GbkLineEdit* NameEdit(int entry) const {
        return m_nameEdits[static_cast<size_t>(entry - phonebook::kFirstNamedEntry)];
    }

    // Save (the default button, Enter).
    void OnOK();
    // Exit, Esc and the close box: the port is closed, nothing is sent or written.
    void OnCancel();
    // True when the modem acknowledged all 26 slots; false at the first it did not.
    bool SendToModem();

    void reject() override;

protected:
    void InitializeControls() override;

private:
    // Moves the texts between the members and the edits in the exchange order (numbers 1, 10, 2,
    // ..., 9, 11..15, names 5..15). Taking them stops at the first that is too long; that field
    // is then reported and focused.
    bool DoDataExchange(bool saveAndValidate);
    void SetBusy(bool busy);
    phonebook::SlotTexts Texts() const;

    std::string m_iniFile;
    std::array<GbkLineEdit*, phonebook::kNumberCount> m_numberEdits{};
    std::array<GbkLineEdit*, phonebook::kNameCount> m_nameEdits{};
    QPushButton* m_save = nullptr;
    QPushButton* m_exit = nullptr;
};
