// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/phonebook/PhoneNumberDialog.h"

#include "core/platform/Gbk.h"
#include "core/platform/ProgramIni.h"
#include "core/platform/ProgramTexts.h"
#include "ui/kit/DialogLayout.h"
#include "ui/kit/GbkLineEdit.h"
#include "ui/kit/MessageBoxService.h"
#include "ui/kit/Status.h"

#include <QLabel>
#include <QPushButton>

namespace {

using dialoglayout::Place;

// Entry numbers in the order the fields are exchanged and tabbed through; negative for names.
constexpr std::array<int, phonebook::kSlotCount> kExchangeOrder = {
    1, 10, 2, 3, 4, 5, 6, 7, 8, 9, 11, 12, 13, 14, 15, -5, -6, -7, -8, -9, -10, -11, -12, -13, -14, -15};

struct Cell {
    int entry;  // negative for a name
    int labelX; // dialog units
    int editX;
    int y;
};

// The grid: numbers 1 to 4 in the two upper rows, then a row of names over a row of numbers, for
// entries 5-7, 8-10, 11-13 and 14-15, in the left, middle and right columns.
constexpr Cell kGrid[] = {
    {1, 7, 45, 20},      {3, 143, 176, 20},   {2, 7, 45, 37},       {4, 143, 176, 37},    {-5, 7, 45, 56},
    {-6, 141, 176, 56},  {-7, 267, 299, 56},  {5, 7, 45, 74},       {6, 141, 176, 74},    {7, 267, 299, 74},
    {-8, 7, 45, 92},     {-9, 141, 176, 92},  {-10, 267, 299, 92},  {8, 7, 45, 110},      {9, 141, 176, 110},
    {10, 267, 299, 110}, {-11, 7, 45, 128},   {-12, 141, 176, 128}, {-13, 267, 299, 128}, {11, 7, 45, 146},
    {12, 141, 176, 146}, {13, 267, 299, 146}, {-14, 7, 45, 164},    {-15, 141, 176, 164}, {14, 7, 45, 182},
    {15, 141, 176, 182},
};

constexpr int kEditWidth = 83;
constexpr int kEditHeight = 12;

} // namespace

PhoneNumberDialog::PhoneNumberDialog(const AppServices& services, QWidget* parent) : ModemDialog(services, parent) {
    m_iniPath = services.programDirectory;

    setWindowTitle(QStringLiteral("电话号码"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setFont(dialoglayout::DialogFont());
    setFixedSize(dialoglayout::ToPixels(font(), 395, 225));

    auto* prompt = new QLabel(QStringLiteral("请输入号码（1-30位数字）及姓名（1-8位字符A~Z）："), this);
    Place(prompt, 7, 7, 195, 10);

    for (const Cell& cell : kGrid) {
        const bool name = cell.entry < 0;
        const int entry = name ? -cell.entry : cell.entry;
        const QString text = name ? QStringLiteral("姓名%1：").arg(entry) : QStringLiteral("号码%1：").arg(entry);
        auto* label = new QLabel(text, this);
        Place(label, cell.labelX, cell.y + 2, cell.editX - cell.labelX - 2, 8);
        auto* edit = new GbkLineEdit(this);
        edit->SetByteLimit(static_cast<int>(name ? phonebook::kNameLimit : phonebook::kNumberLimit));
        Place(edit, cell.editX, cell.y, kEditWidth, kEditHeight);
        label->setBuddy(edit);
        if (name) {
            m_nameEdits[static_cast<size_t>(entry - phonebook::kFirstNamedEntry)] = edit;
            edit->setObjectName(QStringLiteral("nameEdit%1").arg(entry));
        } else {
            m_numberEdits[static_cast<size_t>(entry - 1)] = edit;
            edit->setObjectName(QStringLiteral("numberEdit%1").arg(entry));
        }
    }

    m_save = new QPushButton(QStringLiteral("保存(&S)"), this);
    m_save->setObjectName(QStringLiteral("saveButton"));
    m_save->setDefault(true);
    Place(m_save, 94, 204, 50, 14);
    m_exit = new QPushButton(QStringLiteral("退出(&E)"), this);
    m_exit->setObjectName(QStringLiteral("exitButton"));
    m_exit->setAutoDefault(false);
    Place(m_exit, 265, 204, 50, 14);
    connect(m_save, &QPushButton::clicked, this, [this] { OnOK(); });
    connect(m_exit, &QPushButton::clicked, this, [this] { OnCancel(); });

    QWidget* previous = nullptr;
    for (int entry : kExchangeOrder) {
        QWidget* edit = entry > 0 ? static_cast<QWidget*>(NumberEdit(entry)) : NameEdit(-entry);
        if (previous)
            setTabOrder(previous, edit);
        previous = edit;
    }
    setTabOrder(previous, m_save);
    setTabOrder(m_save, m_exit);
}

void PhoneNumberDialog::InitializeControls() {
    SetBusy(false);
    m_iniFile = programini::PathIn(m_iniPath);
    const phonebook::SlotTexts texts = phonebook::LoadPhoneNumbers(m_iniFile);
    for (int entry = 1; entry <= 15; ++entry)
        m_numbers[static_cast<size_t>(entry - 1)] = texts[phonebook::IndexOfSlot(phonebook::NumberSlot(entry))];
    for (int entry = phonebook::kFirstNamedEntry; entry <= 15; ++entry)
        m_names[static_cast<size_t>(entry - phonebook::kFirstNamedEntry)] =
            texts[phonebook::IndexOfSlot(phonebook::NameSlot(entry))];
    DoDataExchange(false);
    NumberEdit(1)->setFocus();
}

bool PhoneNumberDialog::DoDataExchange(bool saveAndValidate) {
    for (int entry : kExchangeOrder) {
        const bool name = entry < 0;
        GbkLineEdit* edit = name ? NameEdit(-entry) : NumberEdit(entry);
        std::string& value = name ? m_names[static_cast<size_t>(-entry - phonebook::kFirstNamedEntry)]
                                  : m_numbers[static_cast<size_t>(entry - 1)];
        if (!saveAndValidate) {
            edit->setText(gbk::ToQString(value));
            continue;
        }
        if (!edit->CheckLength(m_services.messages))
            return false;
        value = gbk::ToStd(edit->text());
    }
    return true;
}

phonebook::SlotTexts PhoneNumberDialog::Texts() const {
    phonebook::SlotTexts texts;
    for (int entry = 1; entry <= 15; ++entry)
        texts[phonebook::IndexOfSlot(phonebook::NumberSlot(entry))] = m_numbers[static_cast<size_t>(entry - 1)];
    for (int entry = phonebook::kFirstNamedEntry; entry <= 15; ++entry)
        texts[phonebook::IndexOfSlot(phonebook::NameSlot(entry))] =
            m_names[static_cast<size_t>(entry - phonebook::kFirstNamedEntry)];
    return texts;
}

bool PhoneNumberDialog::SendToModem() {
    return phonebook::SendToModem(m_link, Texts());
}

// The program's busy flag shows the wait cursor over the whole application: the edits under the
// mouse would otherwise keep their own text cursor.
void PhoneNumberDialog::SetBusy(bool busy) {
    m_busy = busy ? 1 : 0;
    status::SetBusy(busy);
}

PhoneNumberDialog::~PhoneNumberDialog() {
    if (m_busy)
        status::SetBusy(false);
}

void PhoneNumberDialog::OnOK() {
    if (m_busy)
        return;
    if (!DoDataExchange(true))
        return;
    SetBusy(true);
    setEnabled(false);
    if (!SendToModem()) {
        SetBusy(false);
        setEnabled(true);
        m_services.messages.Show(this, texts::kTransferFailedMessage.toString(), MessageBoxService::Icon::None);
        return;
    }
    phonebook::StorePhoneNumbers(m_iniFile, Texts());
    ClosePortIfFound();
    // The dialog ends still disabled and busy; only the cursor goes back.
    status::SetBusy(false);
    QDialog::accept();
}

void PhoneNumberDialog::OnCancel() {
    if (m_busy)
        return; // the transfer runs; the dialog is disabled and ends by itself
    ClosePortIfFound();
    QDialog::reject();
}

void PhoneNumberDialog::reject() {
    OnCancel();
}
