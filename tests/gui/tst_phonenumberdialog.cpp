// SPDX-License-Identifier: GPL-3.0-or-later
#include "ModemDialogTestSupport.h"

#include "core/platform/Gbk.h"
#include "core/platform/ProfileFile.h"
#include "support/TestSupport.h"
#include "ui/kit/DialogLayout.h"
#include "ui/kit/GbkLineEdit.h"
#include "ui/phonebook/PhoneNumberDialog.h"

#include <QLabel>
#include <QPushButton>
#include <QtTest>

namespace {

QPushButton* Button(QDialog& dialog, const char* name) {
    return dialog.findChild<QPushButton*>(QString::fromLatin1(name));
}

// The commands a Save of these texts sends, in slot order.
std::vector<std::string> SlotCommandsOf(const phonebook::SlotTexts& texts) {
    std::vector<std::string> out;
    for (size_t i = 0; i < phonebook::kSlotCount; ++i)
        out.push_back("AT&Z" + std::to_string(phonebook::kSlotOrder[i]) + "=" + texts[i]);
    return out;
}

// The next widget the Tab key reaches.
QWidget* NextTabStop(QWidget* widget) {
    QWidget* next = widget->nextInFocusChain();
    while (next != widget && !(next->focusPolicy() & Qt::TabFocus))
        next = next->nextInFocusChain();
    return next;
}

} // namespace

class TestPhoneNumberDialog : public QObject {
    Q_OBJECT
private slots:
    void noModemNoDialog() {
        ModemDialogFixture f;
        f.sim.RemoveCom1();
        PhoneNumberDialog dialog(f.services);
        bool shown = false;
        WhenShown(dialog, [&] {
            shown = true;
            dialog.reject();
        });
        QCOMPARE(dialog.exec(), int(QDialog::Rejected));
        QVERIFY(!shown);
        QCOMPARE(f.messages.shown.size(), size_t(1));
        QCOMPARE(f.messages.shown[0].text, QStringLiteral("检测调制解调器失败！"));
        QVERIFY(f.messages.shown[0].icon == MessageBoxService::Icon::Stop);
    }

    void formLoadAndTabOrder() {
        ModemDialogFixture f;
        testsupport::WriteFile(f.IniPath(), "[DEZAZAZE]\r\nAt7z9=5550100\r\nAT7Z73=" +
                                                gbk::ToStd(QStringLiteral("张三")) + "\r\nAt7z14=abcXYZ\r\n");
        PhoneNumberDialog dialog(f.services);
        WhenShown(dialog, [&] {
            QCOMPARE(dialog.windowTitle(), QStringLiteral("电话号码"));
            QCOMPARE(dialog.size(), dialoglayout::ToPixels(dialog.font(), 395, 225));
            QVERIFY(dialog.findChild<QLabel*>() != nullptr);
            QCOMPARE(dialog.NumberEdit(10)->text(), QStringLiteral("5550100"));
            QCOMPARE(dialog.NameEdit(10)->text(), QStringLiteral("张三"));
            QCOMPARE(dialog.NumberEdit(15)->text(), QStringLiteral("abcXYZ"));
            QCOMPARE(dialog.NumberEdit(1)->text(), QString());
            QCOMPARE(dialog.findChild<GbkLineEdit*>(QStringLiteral("numberEdit10")), dialog.NumberEdit(10));
            QCOMPARE(dialog.findChild<GbkLineEdit*>(QStringLiteral("nameEdit10")), dialog.NameEdit(10));
            QCOMPARE(dialog.NumberEdit(3)->ByteLimit(), 31);
            QCOMPARE(dialog.NameEdit(5)->ByteLimit(), 8);
            QVERIFY(Button(dialog, "saveButton")->isDefault());
            QCOMPARE(Button(dialog, "saveButton")->text(), QStringLiteral("保存(&S)"));
            QCOMPARE(Button(dialog, "exitButton")->text(), QStringLiteral("退出(&E)"));
            // Number 10 sits in the right column of its row, yet comes second in the tab order.
            QVERIFY(dialog.NumberEdit(10)->x() > dialog.NumberEdit(9)->x());
            QCOMPARE(dialog.NumberEdit(1)->y(), dialog.NumberEdit(3)->y());
            QWidget* expected[] = {dialog.NumberEdit(1),        dialog.NumberEdit(10), dialog.NumberEdit(2),
                                   dialog.NumberEdit(3),        dialog.NumberEdit(9),  dialog.NumberEdit(11),
                                   dialog.NumberEdit(15),       dialog.NameEdit(5),    dialog.NameEdit(15),
                                   Button(dialog, "saveButton")};
            QCOMPARE(NextTabStop(dialog.NumberEdit(1)), expected[1]);
            QCOMPARE(NextTabStop(dialog.NumberEdit(10)), expected[2]);
            QCOMPARE(NextTabStop(dialog.NumberEdit(2)), expected[3]);
            QCOMPARE(NextTabStop(dialog.NumberEdit(9)), expected[5]);
            QCOMPARE(NextTabStop(dialog.NumberEdit(15)), expected[7]);
            QCOMPARE(NextTabStop(dialog.NameEdit(15)), expected[9]);
            QTest::keyClick(&dialog, Qt::Key_Escape);
        });
        QCOMPARE(dialog.exec(), int(QDialog::Rejected));
        QVERIFY(!f.PortOpen());
        QVERIFY(f.CommandsAfterProbe().empty());
    }

    void typingCountsGbkBytes() {
        ModemDialogFixture f;
        PhoneNumberDialog dialog(f.services);
        WhenShown(dialog, [&] {
            // Four Chinese characters are eight bytes: the name is full.
            Type(dialog.NameEdit(5), QStringLiteral("张三李四王"));
            QCOMPARE(dialog.NameEdit(5)->text(), QStringLiteral("张三李四"));
            Type(dialog.NameEdit(6), QStringLiteral("abcdefghi"));
            QCOMPARE(dialog.NameEdit(6)->text(), QStringLiteral("abcdefgh"));
            Type(dialog.NumberEdit(1), QString(32, QLatin1Char('1')));
            QCOMPARE(dialog.NumberEdit(1)->text(), QString(31, QLatin1Char('1')));
            Type(dialog.NumberEdit(2), QStringLiteral("12ab#"));
            QCOMPARE(dialog.NumberEdit(2)->text(), QStringLiteral("12ab#"));
            dialog.close(); // the close box
        });
        QCOMPARE(dialog.exec(), int(QDialog::Rejected));
        QVERIFY(!f.PortOpen());
    }

    void saveSendsEverySlotThenWritesTheKeys() {
        ModemDialogFixture f;
        testsupport::WriteFile(f.IniPath(), "[DEZAZAZE]\r\nRING=4\r\n");
        phonebook::SlotTexts texts;
        texts[phonebook::IndexOfSlot(phonebook::NumberSlot(10))] = "01012345678";
        texts[phonebook::IndexOfSlot(phonebook::NameSlot(5))] = gbk::ToStd(QStringLiteral("李四"));
        texts[phonebook::IndexOfSlot(phonebook::NumberSlot(1))] = "119";
        PhoneNumberDialog dialog(f.services);
        bool busyWhileSending = false;
        f.sim.com1.SetMonitor([&](char direction, std::string_view bytes) {
            if (direction == '>' && bytes.starts_with("AT&Z5="))
                busyWhileSending = dialog.m_busy == 1 && !dialog.isEnabled() && QApplication::overrideCursor() &&
                                   QApplication::overrideCursor()->shape() == Qt::WaitCursor;
        });
        WhenShown(dialog, [&] {
            Type(dialog.NumberEdit(10), QStringLiteral("01012345678"));
            Type(dialog.NameEdit(5), QStringLiteral("李四"));
            Type(dialog.NumberEdit(1), QStringLiteral("119"));
            QTest::keyClick(dialog.NumberEdit(1), Qt::Key_Return); // Enter is Save
        });
        QCOMPARE(dialog.exec(), int(QDialog::Accepted));
        QVERIFY(busyWhileSending);
        QVERIFY(!QApplication::overrideCursor());
        QVERIFY(!f.PortOpen());
        QCOMPARE(f.CommandsAfterProbe(), SlotCommandsOf(texts));
        QCOMPARE(f.sim.com1.Slot(68), texts[phonebook::IndexOfSlot(68)]);
        const ProfileFile ini = ProfileFile::Load(f.IniPath());
        QCOMPARE(ini.GetString("DEZAZAZE", "RING", ""), std::string("4"));
        for (size_t i = 0; i < phonebook::kSlotCount; ++i)
            QCOMPARE(ini.GetString("DEZAZAZE", phonebook::SlotKey(phonebook::kSlotOrder[i]), "?"), texts[i]);
    }

    // While Save sends, the dialog is disabled; what still reaches it (a second Save, Exit, a close
    // request from the window manager) is turned away by its guards: every slot is sent once and the
    // dialog does not end in the middle of the transfer.
    void secondSaveOrCloseWhileSendingIsTurnedAway() {
        ModemDialogFixture f;
        PhoneNumberDialog dialog(f.services);
        int tries = 0;
        bool stayedOpen = false;
        f.sim.com1.SetMonitor([&](char direction, std::string_view bytes) {
            if (direction != '>' || !bytes.starts_with("AT&Z5="))
                return;
            ++tries;
            dialog.OnOK();
            dialog.OnCancel();
            dialog.reject();
            dialog.close();
            stayedOpen = dialog.isVisible() && f.PortOpen();
        });
        WhenShown(dialog, [&] { QTest::keyClick(dialog.NumberEdit(1), Qt::Key_Return); });
        QCOMPARE(dialog.exec(), int(QDialog::Accepted));
        QCOMPARE(tries, 1);
        QVERIFY(stayedOpen);
        QCOMPARE(f.CommandsAfterProbe(), SlotCommandsOf(phonebook::SlotTexts{}));
    }

    void refusedSlotKeepsTheFileAndASecondSaveStartsOver() {
        ModemDialogFixture f;
        const std::string before = "[DEZAZAZE]\r\nAt7z0=110\r\nAt7z73=OLD\r\n";
        testsupport::WriteFile(f.IniPath(), before);
        quorra::Fault fault;
        fault.kind = quorra::FaultKind::NoAck;
        fault.command = "AT&Z";
        fault.occurrence = 21; // slot 73, entry 10's name
        f.sim.com1.AddFault(fault);
        PhoneNumberDialog dialog(f.services);
        WhenShown(dialog, [&] {
            dialog.NameEdit(10)->setText(QStringLiteral("NEW"));
            QTest::mouseClick(Button(dialog, "saveButton"), Qt::LeftButton);
            QCOMPARE(f.messages.shown.size(), size_t(1));
            QCOMPARE(f.messages.shown[0].text, QStringLiteral("参数设置失败！请按照说明书重新设置。"));
            QVERIFY(f.messages.shown[0].icon == MessageBoxService::Icon::None);
            QVERIFY(dialog.isVisible());
            QVERIFY(dialog.isEnabled());
            QCOMPARE(dialog.m_busy, 0);
            QVERIFY(!QApplication::overrideCursor());
            QVERIFY(f.PortOpen());
            QCOMPARE(testsupport::ReadFile(f.IniPath()), before);
            const std::vector<std::string> first = f.CommandsAfterProbe();
            QCOMPARE(first.size(), size_t(21));
            QCOMPARE(first.back(), std::string("AT&Z73=NEW"));
            QCOMPARE(f.sim.com1.Slot(72), std::string());
            QCOMPARE(f.sim.com1.Slot(0), std::string("110"));

            QTest::mouseClick(Button(dialog, "saveButton"), Qt::LeftButton);
        });
        QCOMPARE(dialog.exec(), int(QDialog::Accepted));
        const std::vector<std::string> all = f.CommandsAfterProbe();
        QCOMPARE(all.size(), size_t(21 + 26));
        QCOMPARE(all[21], std::string("AT&Z0=110"));
        QCOMPARE(profile::GetString(f.IniPath(), "DEZAZAZE", "At7z73", ""), std::string("NEW"));
    }

    void overLongValueFromTheFileStopsSaveBeforeSending() {
        ModemDialogFixture f;
        const std::string before = "[DEZAZAZE]\r\nAt7z0=" + std::string(40, '8') + "\r\n";
        testsupport::WriteFile(f.IniPath(), before);
        PhoneNumberDialog dialog(f.services);
        WhenShown(dialog, [&] {
            QCOMPARE(dialog.NumberEdit(1)->text(), QString(40, QLatin1Char('8')));
            dialog.NumberEdit(5)->setFocus();
            QTest::mouseClick(Button(dialog, "saveButton"), Qt::LeftButton);
            QCOMPARE(f.messages.shown.size(), size_t(1));
            QCOMPARE(f.messages.shown[0].text, QStringLiteral("“请填入不多于31个的字符。”"));
            QVERIFY(f.messages.shown[0].icon == MessageBoxService::Icon::Exclamation);
            QCOMPARE(dialog.focusWidget(), static_cast<QWidget*>(dialog.NumberEdit(1)));
            QCOMPARE(dialog.NumberEdit(1)->selectedText(), QString(40, QLatin1Char('8')));
            QVERIFY(f.CommandsAfterProbe().empty());
            QVERIFY(dialog.isVisible());
            QTest::mouseClick(Button(dialog, "exitButton"), Qt::LeftButton);
        });
        QCOMPARE(dialog.exec(), int(QDialog::Rejected));
        QVERIFY(f.CommandsAfterProbe().empty());
        QCOMPARE(testsupport::ReadFile(f.IniPath()), before);
        QVERIFY(!f.PortOpen());
    }
};

QTEST_MAIN(TestPhoneNumberDialog)
#include "tst_phonenumberdialog.moc"
