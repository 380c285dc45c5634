// SPDX-License-Identifier: GPL-3.0-or-later
// The modem settings dialog on the offscreen platform, against the simulated modem on virtual time.
// Every test starts from a fresh program directory; a modal run is driven from inside its event
// loop, and message boxes are only recorded.
#include "ModemDialogTestSupport.h"

#include "core/platform/ProfileFile.h"
#include "ui/faxlist/FaxListView.h"
#include "ui/kit/Status.h"
#include "ui/settings/ModemSettingsDialog.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

const QString kFailed = QStringLiteral("参数设置失败！请按照说明书重新设置。");
const QString kDone = QStringLiteral("KorvelQuorraMODEM设置完成！");
const QString kWrongFolder = QStringLiteral("Tessiva传真阅览器所在目录错误！");

// The dialog's fixture, and the settings file it works on. Its modal runs are driven from a zero
// timer (RunModal), so the waits on virtual time leave Qt's events alone.
struct Bench : ModemDialogFixture {
    Bench() : ModemDialogFixture(false) {}

    // Writes RERAVA.INI with section DEZAZAZE holding `lines` (CR LF between them).
    void WriteSettings(const QByteArray& lines) const {
        QFile file(QString::fromStdString(IniPath()));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[DEZAZAZE]\r\nINSTALL=1\r\n" + lines + "\r\n");
    }
    QByteArray IniBytes() const {
        QFile file(QString::fromStdString(IniPath()));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    std::string Stored(const char* key) const {
        return ProfileFile::Load(IniPath()).GetString("DEZAZAZE", key, "<none>");
    }
    void Refuse(const std::string& prefix, quorra::FaultKind kind = quorra::FaultKind::Error) {
        sim.com1.AddFault(MakeFault(kind, prefix));
    }
};

template <typename T> T* Control(QWidget& dialog, const char* name) {
    T* widget = dialog.findChild<T*>(QLatin1String(name));
    if (!widget)
        qFatal("control %s missing", name);
    return widget;
}

// Runs the dialog modally; `action` runs inside its event loop once it is up. A dialog that the
// action leaves open is ended with -1, so a failing test never hangs.
int RunModal(ModemSettingsDialog& dialog, const std::function<void()>& action) {
    QTimer::singleShot(0, &dialog, [&dialog, action] {
        action();
        if (dialog.isVisible())
            dialog.done(-1);
    });
    return dialog.exec();
}

void Click(QWidget& dialog, const char* name) {
    Control<QAbstractButton>(dialog, name)->click();
}

} // namespace

class TestModemSettingsDialog : public QObject {
    Q_OBJECT
private slots:
    void init() { status::SetStatusText(QString()); }

    void opensWithDefaultsWithoutIni() {
        Bench bench;
        ModemSettingsDialog dialog(bench.services, bench.Dir());
        dialog.InitializeControls();
        QCOMPARE(dialog.windowTitle(), QStringLiteral("KorvelQuorraMODEM参数设置"));
        QCOMPARE(Control<QComboBox>(dialog, "ringBox")->count(), 7);
        QCOMPARE(Control<QComboBox>(dialog, "ringBox")->currentText(), QStringLiteral("4"));
        QCOMPARE(Control<QComboBox>(dialog, "countBox")->count(), 9);
        QCOMPARE(Control<QComboBox>(dialog, "countBox")->currentText(), QStringLiteral("1"));
        QVERIFY(!Control<QCheckBox>(dialog, "pagerOnBox")->isChecked());
        QVERIFY(!Control<QCheckBox>(dialog, "callerIdBox")->isChecked());
        QVERIFY(Control<QCheckBox>(dialog, "tollSaverBox")->isChecked());
        QVERIFY(Control<QCheckBox>(dialog, "faxReceiveBox")->isChecked());
        QVERIFY(Control<QCheckBox>(dialog, "monitorBox")->isChecked());
        QVERIFY(!Control<QRadioButton>(dialog, "moreMessagesButton")->isChecked());
        QVERIFY(Control<QRadioButton>(dialog, "higherQualityButton")->isChecked());
        QVERIFY(Control<QCheckBox>(dialog, "viewWithDefaultBox")->isChecked());
        for (const char* id : {"passwordEdit", "pagerNumberEdit", "localIdEdit", "viewerPathEdit"})
            QVERIFY(Control<QLineEdit>(dialog, id)->text().isEmpty());
        // The pager group follows the unticked box.
        for (const char* id :
             {"countBox", "countLabelBefore", "countLabelAfter", "pagerNumberLabel", "pagerNumberEdit"})
            QVERIFY(!Control<QWidget>(dialog, id)->isEnabled());
        QCOMPARE(status::StatusText(), QStringLiteral("设置KorvelQuorraMODEM参数"));
        QCOMPARE(Control<QLineEdit>(dialog, "passwordEdit")->maxLength(), 32767); // the limit counts GBK bytes instead
    }

    void tabOrderFollowsTheTemplate() {
        Bench bench;
        ModemSettingsDialog dialog(bench.services, bench.Dir());
        const QStringList expected = {"okButton",
                                      "cancelButton",
                                      "tollSaverBox",
                                      "passwordEdit",
                                      "monitorBox",
                                      "faxReceiveBox",
                                      "pagerOnBox",
                                      "pagerNumberEdit",
                                      "localIdEdit",
                                      "moreMessagesButton",
                                      "higherQualityButton",
                                      "browseButton",
                                      "viewerPathEdit",
                                      "ringBox",
                                      "countBox",
                                      "viewWithDefaultBox",
                                      "yearEdit",
                                      "monthEdit",
                                      "dayEdit",
                                      "hourEdit",
                                      "minuteEdit",
                                      "amButton",
                                      "pmButton",
                                      "weekdayBox",
                                      "callerIdBox"};
        QStringList order;
        QWidget* widget = Control<QWidget>(dialog, "okButton");
        do {
            if (widget->parentWidget() == &dialog && !widget->objectName().isEmpty() &&
                widget->focusPolicy() & Qt::TabFocus)
                order << widget->objectName();
            widget = widget->nextInFocusChain();
        } while (widget != Control<QWidget>(dialog, "okButton") && order.size() < 40);
        QCOMPARE(order, expected);
    }

    void storedValuesSelectTheirEntries_data() {
        QTest::addColumn<QByteArray>("lines");
        QTest::addColumn<int>("ringIndex");
        QTest::addColumn<int>("countIndex");
        QTest::addColumn<int>("quality");
        QTest::newRow("ring 7") << QByteArray("RING=7") << 6 << 0 << 1;
        QTest::newRow("ring 9 falls back to 4") << QByteArray("RING=9") << 3 << 0 << 1;
        QTest::newRow("ring 0 selects nothing") << QByteArray("RING=0") << -1 << 0 << 1;
        QTest::newRow("ring huge") << QByteArray("RING=99999999999999999999999") << 3 << 0 << 1;
        // The integer read stops at the first character that is not a digit.
        QTest::newRow("ring negative") << QByteArray("RING=-2") << -1 << 0 << 1;
        QTest::newRow("ring text") << QByteArray("RING=abc") << -1 << 0 << 1;
        QTest::newRow("ring GBK") << QByteArray("RING=\xCB\xC4") << -1 << 0 << 1;
        QTest::newRow("ring digit then text") << QByteArray("RING=2x") << 1 << 0 << 1;
        QTest::newRow("count 9") << QByteArray("NewNum=9") << 3 << 8 << 1;
        QTest::newRow("count 12 selects nothing") << QByteArray("NewNum=12") << 3 << -1 << 1;
        QTest::newRow("count 0 selects nothing") << QByteArray("NewNum=0") << 3 << -1 << 1;
        QTest::newRow("count huge") << QByteArray("NewNum=2147483647") << 3 << -1 << 1;
        QTest::newRow("quality 0") << QByteArray("VSM=0") << 3 << 0 << 0;
        QTest::newRow("quality 3 selects neither") << QByteArray("VSM=3") << 3 << 0 << -1;
        // A text reads as 0.
        QTest::newRow("quality text") << QByteArray("VSM=high") << 3 << 0 << 0;
    }
    void storedValuesSelectTheirEntries() {
        QFETCH(QByteArray, lines);
        Bench bench;
        bench.WriteSettings(lines);
        ModemSettingsDialog dialog(bench.services, bench.Dir());
        dialog.InitializeControls();
        QTEST(Control<QComboBox>(dialog, "ringBox")->currentIndex(), "ringIndex");
        QTEST(Control<QComboBox>(dialog, "countBox")->currentIndex(), "countIndex");
        QFETCH(int, quality);
        QCOMPARE(Control<QRadioButton>(dialog, "moreMessagesButton")->isChecked(), quality == 0);
        QCOMPARE(Control<QRadioButton>(dialog, "higherQualityButton")->isChecked(), quality == 1);
    }

    void storedTextsAreShownWhole() {
        Bench bench;
        const QByteArray longNumber(300, '7');
        // "测试传真" in GBK, a fax-reception key in another spelling, the pager on.
        bench.WriteSettings("BpNum=" + longNumber + "\r\nID=\xB2\xE2\xCA\xD4\xB4\xAB\xD5\xE6\r\nFax=0\r\nBp=1\r\n" +
                            "PASS=12a45\r\nFAXVIEW=/opt/tessiva/tessview.exe\r\nViewFax=0\r\nCALLID=1");
        ModemSettingsDialog dialog(bench.services, bench.Dir());
        dialog.InitializeControls();
        // Values are read back at most 254 bytes long.
        QCOMPARE(Control<QLineEdit>(dialog, "pagerNumberEdit")->text(), QString(254, QLatin1Char('7')));
        QCOMPARE(Control<QLineEdit>(dialog, "localIdEdit")->text(), QStringLiteral("测试传真"));
        QCOMPARE(Control<QLineEdit>(dialog, "passwordEdit")->text(), QStringLiteral("12a45"));
        QCOMPARE(Control<QLineEdit>(dialog, "viewerPathEdit")->text(), QStringLiteral("/opt/tessiva/tessview.exe"));
        QVERIFY(!Control<QCheckBox>(dialog, "faxReceiveBox")->isChecked());
        QVERIFY(!Control<QCheckBox>(dialog, "viewWithDefaultBox")->isChecked());
        QVERIFY(Control<QCheckBox>(dialog, "callerIdBox")->isChecked());
        QVERIFY(Control<QCheckBox>(dialog, "pagerOnBox")->isChecked());
        for (const char* id :
             {"countBox", "countLabelBefore", "countLabelAfter", "pagerNumberLabel", "pagerNumberEdit"})
            QVERIFY(Control<QWidget>(dialog, id)->isEnabled());
    }

    void clockOnATwelveHourFace_data() {
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<int>("weekday");
        QTest::addColumn<QStringList>("fields"); // year, month, day, hour, minute
        QTest::addColumn<bool>("pm");
        QTest::newRow("00:30") << QDateTime(QDate(2026, 3, 1), QTime(0, 30)) << 0
                               << QStringList{"26", "3", "1", "0", "30"} << false;
        QTest::newRow("12:05") << QDateTime(QDate(2026, 3, 2), QTime(12, 5)) << 1
                               << QStringList{"26", "3", "2", "12", "5"} << false;
        QTest::newRow("13:05") << QDateTime(QDate(2026, 3, 5), QTime(13, 5, 59)) << 4
                               << QStringList{"26", "3", "5", "1", "5"} << true;
        QTest::newRow("22:38 on 7 December")
            << QDateTime(QDate(2026, 12, 7), QTime(22, 38)) << 1 << QStringList{"26", "12", "7", "10", "38"} << true;
        QTest::newRow("year 2000") << QDateTime(QDate(2000, 1, 1), QTime(9, 0)) << 6
                                   << QStringList{"00", "1", "1", "9", "0"} << false;
    }
    void clockOnATwelveHourFace() {
        QFETCH(QDateTime, now);
        QFETCH(QStringList, fields);
        QFETCH(bool, pm);
        Bench bench;
        bench.wallClock.now = now;
        ModemSettingsDialog dialog(bench.services, bench.Dir());
        dialog.InitializeControls();
        QCOMPARE(Control<QComboBox>(dialog, "weekdayBox")->count(), 7);
        QTEST(Control<QComboBox>(dialog, "weekdayBox")->currentIndex(), "weekday");
        QStringList shown;
        for (const char* id : {"yearEdit", "monthEdit", "dayEdit", "hourEdit", "minuteEdit"})
            shown << Control<QLineEdit>(dialog, id)->text();
        QCOMPARE(shown, fields);
        QCOMPARE(Control<QRadioButton>(dialog, "amButton")->isChecked(), !pm);
        QCOMPARE(Control<QRadioButton>(dialog, "pmButton")->isChecked(), pm);
    }

    void clicksFlipTheirOptionAndShowHints() {
        Bench bench;
        ModemSettingsDialog dialog(bench.services, bench.Dir());
        dialog.InitializeControls();
        Click(dialog, "pagerOnBox");
        QCOMPARE(status::StatusText(), QStringLiteral("允许MODEM在新留言达到规定数目时自动拨打Bp机号码"));
        QCOMPARE(dialog.m_pagerOn, 1);
        for (const char* id :
             {"countBox", "countLabelBefore", "countLabelAfter", "pagerNumberLabel", "pagerNumberEdit"})
            QVERIFY(Control<QWidget>(dialog, id)->isEnabled());
        Click(dialog, "pagerOnBox");
        QCOMPARE(status::StatusText(), QStringLiteral("禁止MODEM在新留言达到规定数目时自动拨打Bp机号码"));
        for (const char* id :
             {"countBox", "countLabelBefore", "countLabelAfter", "pagerNumberLabel", "pagerNumberEdit"})
            QVERIFY(!Control<QWidget>(dialog, id)->isEnabled());

        const struct {
            const char* id;
            const char* hint;
        } clicks[] = {
            {"tollSaverBox", "关闭免费检查留言功能"},
            {"tollSaverBox", "开启免费检查留言功能，用户可以通过电话铃声响数是否大于2声得知是否有新留言"},
            {"faxReceiveBox", "禁止MODEM接收传真"},
            {"faxReceiveBox", "允许MODEM接收传真"},
            {"monitorBox", "禁止用户通过MODEM喇叭监听留言"},
            {"monitorBox", "允许用户通过MODEM喇叭监听留言"},
            {"moreMessagesButton", "设置MODEM降低留言音质增加存储数目"},
            {"higherQualityButton", "设置MODEM提高留言音质减少存储数目"},
        };
        for (const auto& click : clicks) {
            Click(dialog, click.id);
            QCOMPARE(status::StatusText(), QString::fromUtf8(click.hint));
        }
        QCOMPARE(dialog.m_quality, 1);

        const struct {
            const char* id;
            const char* hint;
        } focus[] = {
            {"ringBox", "设置MODEM在有电话拨入时，振铃几声后自动摘机，建议大于2声"},
            {"passwordEdit", "设置主人模式密码（1－4位数字组成）"},
            {"countBox", "设置MODEM在新留言达到该数目时拨打Bp机号码"},
            {"pagerNumberEdit", "设置MODEM在新留言达到预定数目时拨打的Bp机号码"},
            {"localIdEdit", "设置MODEM本地ID"},
            {"viewerPathEdit", "设置Tessiva传真阅览器所在目录以查看传真"},
        };
        for (const auto& f : focus) {
            QFocusEvent event(QEvent::FocusIn, Qt::TabFocusReason);
            QApplication::sendEvent(Control<QWidget>(dialog, f.id), &event);
            QCOMPARE(status::StatusText(), QString::fromUtf8(f.hint));
        }
    }

    // Any executable file is taken as the viewer, whatever its name; anything else is refused with
    // the message, and the field keeps the path it showed.
    void browseTakesAnyProgram() {
        Bench bench;
        QTemporaryDir viewerDir;
        const QString viewer = viewerDir.filePath(QStringLiteral("eog"));
        QFile file(viewer);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\n");
        file.close();
        QVERIFY(file.setPermissions(file.permissions() | QFileDevice::ExeOwner));
        const QString notAProgram = viewerDir.filePath(QStringLiteral("tessview.exe"));
        QFile plain(notAProgram);
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.close();
        QVERIFY(plain.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner));

        ModemSettingsDialog dialog(bench.services, bench.Dir());
        dialog.InitializeControls();
        Control<QLineEdit>(dialog, "passwordEdit")->setText(QStringLiteral("42"));

        bench.folders.answer = viewer;
        Click(dialog, "browseButton");
        QCOMPARE(bench.folders.titles, QStringList{QStringLiteral("请选择传真阅览器程序：")});
        QCOMPARE(Control<QLineEdit>(dialog, "viewerPathEdit")->text(), viewer);
        // What was typed elsewhere stays.
        QCOMPARE(Control<QLineEdit>(dialog, "passwordEdit")->text(), QStringLiteral("42"));
        QVERIFY(bench.messages.shown.empty());

        // A folder, or a file that cannot be started (the Windows viewer's name means nothing):
        // the message, and the field keeps the path it showed.
        for (const QString& wrong : {viewerDir.path(), notAProgram}) {
            bench.folders.answer = wrong;
            Click(dialog, "browseButton");
            QCOMPARE(bench.messages.shown.back().text, kWrongFolder);
            QCOMPARE(bench.messages.shown.back().icon, MessageBoxService::Icon::None);
            QCOMPARE(Control<QLineEdit>(dialog, "viewerPathEdit")->text(), viewer);
        }

        // Cancelled: nothing changes.
        bench.folders.answer.clear();
        Click(dialog, "browseButton");
        QCOMPARE(bench.messages.shown.size(), size_t{2});
        QCOMPARE(Control<QLineEdit>(dialog, "viewerPathEdit")->text(), viewer);
    }

    void aStoredTextTooLongStopsOk_data() {
        QTest::addColumn<QByteArray>("lines");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("warning");
        QTest::newRow("password of five digits") << QByteArray("PASS=12345") << QStringLiteral("passwordEdit")
                                                 << QStringLiteral("“请填入不多于4个的字符。”");
        // Eleven Chinese characters are 22 GBK bytes.
        QTest::newRow("local id of 22 bytes")
            << QByteArray("ID=\xB2\xE2\xCA\xD4\xB2\xE2\xCA\xD4\xB2\xE2\xCA\xD4\xB2\xE2\xCA\xD4\xB2\xE2\xCA\xD4\xB2\xE2")
            << QStringLiteral("localIdEdit") << QStringLiteral("“请填入不多于20个的字符。”");
        QTest::newRow("pager number of 31")
            << QByteArray("Bp=0\r\nBpNum=1234567890123456789012345678901") << QStringLiteral("pagerNumberEdit")
            << QStringLiteral("“请填入不多于30个的字符。”");
    }
    void aStoredTextTooLongStopsOk() {
        QFETCH(QByteArray, lines);
        QFETCH(QString, field);
        QFETCH(QString, warning);
        Bench bench;
        bench.WriteSettings(lines);
        const QByteArray before = bench.IniBytes();
        ModemSettingsDialog dialog(bench.services, bench.Dir());
        const int result = RunModal(dialog, [&] {
            Click(dialog, "okButton");
            QCOMPARE(bench.messages.Texts(), QStringList{warning});
            QCOMPARE(bench.messages.shown.front().icon, MessageBoxService::Icon::Exclamation);
            auto* edit = Control<QLineEdit>(dialog, qPrintable(field));
            QCOMPARE(edit->selectedText(), edit->text());
            QVERIFY(dialog.isVisible());
            QVERIFY(dialog.isEnabled());
            Click(dialog, "cancelButton");
        });
        QCOMPARE(result, int(QDialog::Rejected));
        QVERIFY(bench.CommandsAfterProbe().empty());
        QCOMPARE(bench.IniBytes(), before);
    }

    void okSendsThenStoresWhatTheModemReceived() {
        Bench bench;
        bench.WriteSettings("RING=2\r\nNewNum=3\r\nPASS=1234\r\nVSM=0");
        ModemSettingsDialog dialog(bench.services, bench.Dir());
        std::vector<bool> enabledDuringTransfer;
        std::vector<bool> busyDuringTransfer;
        bench.sim.com1.SetMonitor([&](char direction, std::string_view) {
            if (direction == '>') {
                enabledDuringTransfer.push_back(dialog.isEnabled());
                busyDuringTransfer.push_back(status::IsBusy());
            }
        });
        const int result = RunModal(dialog, [&] {
            enabledDuringTransfer.clear();
            busyDuringTransfer.clear();
            Control<QComboBox>(dialog, "ringBox")->setCurrentIndex(6);
            Control<QComboBox>(dialog, "countBox")->setCurrentIndex(8); // disabled, still sent
            Control<QLineEdit>(dialog, "passwordEdit")->setText(QStringLiteral("0420"));
            Control<QLineEdit>(dialog, "localIdEdit")->setText(QStringLiteral("测试Fax"));
            Control<QLineEdit>(dialog, "pagerNumberEdit")->setText(QStringLiteral("13912345678"));
            Control<QLineEdit>(dialog, "monthEdit")->clear();
            Control<QComboBox>(dialog, "weekdayBox")->setCurrentIndex(4);
            Click(dialog, "tollSaverBox");
            Click(dialog, "higherQualityButton");
            Click(dialog, "callerIdBox");
            Click(dialog, "viewWithDefaultBox");
            Click(dialog, "okButton");
        });
        QCOMPARE(result, int(QDialog::Accepted));
        QCOMPARE(bench.messages.Texts(), QStringList{kDone});
        QCOMPARE(bench.messages.shown.front().icon, MessageBoxService::Icon::None);
        QVERIFY(!bench.PortOpen());
        QVERIFY(!status::IsBusy());
        QVERIFY(dialog.isEnabled());
        QCOMPARE(enabledDuringTransfer, std::vector<bool>(13, false));
        QCOMPARE(busyDuringTransfer, std::vector<bool>(13, true));

        const std::vector<std::string> expected = {"AT#RING=7",
                                                   "AT#PASS=0420",
                                                   "AT#TS=0",
                                                   "AT#VSM=4",
                                                   "AT#CS=1",
                                                   "AT#FAX=1",
                                                   "AT#FLID=\"\xB2\xE2\xCA\xD4"
                                                   "Fax\"",
                                                   "AT&Z30=0,9",
                                                   "AT#DATE=THUR,,7,26",
                                                   "AT#TIME=10,38,30,PM",
                                                   "AT&Z31=13912345678",
                                                   "AT+VCID=1",
                                                   "AT&W"};
        QCOMPARE(bench.CommandsAfterProbe(), expected);

        // The file holds what the modem took and stored.
        const quorra::QuorraModem& modem = bench.sim.com1;
        QCOMPARE(modem.StoreCount(), 1);
        QCOMPARE(bench.Stored("RING"), modem.StoredSetting("#RING"));
        QCOMPARE(bench.Stored("PASS"), modem.StoredSetting("#PASS"));
        QCOMPARE(bench.Stored("TS"), modem.StoredSetting("#TS"));
        QCOMPARE(bench.Stored("CS"), modem.StoredSetting("#CS"));
        QCOMPARE(bench.Stored("FAX"), modem.StoredSetting("#FAX"));
        QCOMPARE("\"" + bench.Stored("ID") + "\"", modem.StoredSetting("#FLID"));
        QCOMPARE("0," + bench.Stored("NewNum"), modem.Slot(30));
        QCOMPARE(bench.Stored("Bp"), std::string("0"));
        QCOMPARE(bench.Stored("BpNum"), modem.Slot(31));
        QCOMPARE(bench.Stored("CALLID"), modem.StoredSetting("+VCID"));
        QCOMPARE(bench.Stored("VSM"), std::string("1"));
        QCOMPARE(bench.Stored("ViewFax"), std::string("0"));
        QCOMPARE(bench.Stored("FAXVIEW"), std::string("<none>"));
        // The clock is the modem's business only.
        QVERIFY(!bench.IniBytes().contains("DATE"));
    }

    // A list left without a selection takes its default entry at OK, so the file is mended.
    void okWithoutListSelectionSendsAndStoresTheDefaults_data() {
        QTest::addColumn<QByteArray>("lines");
        QTest::newRow("ring 0, count 12") << QByteArray("RING=0\r\nNewNum=12\r\nVSM=3");
        QTest::newRow("text in both") << QByteArray("RING=four\r\nNewNum=\xCB\xC4\r\nVSM=3");
    }
    void okWithoutListSelectionSendsAndStoresTheDefaults() {
        QFETCH(QByteArray, lines);
        Bench bench;
        bench.WriteSettings(lines);
        ModemSettingsDialog dialog(bench.services, bench.Dir());
        QCOMPARE(RunModal(dialog, [&] { Click(dialog, "okButton"); }), int(QDialog::Accepted));
        const std::vector<std::string> sent = bench.CommandsAfterProbe();
        QCOMPARE(sent.size(), size_t{13});
        QCOMPARE(sent[0], std::string("AT#RING=4"));
        QCOMPARE(sent[3], std::string("AT#VSM=")); // neither quality button
        QCOMPARE(sent[7], std::string("AT&Z30=0,1"));
        QCOMPARE(bench.Stored("RING"), std::string("4"));
        QCOMPARE(bench.Stored("NewNum"), std::string("1"));
        QCOMPARE(bench.Stored("VSM"), std::string("3"));
    }

    // Refused, silent from some command on: the message, the dialog usable again with the port
    // open, nothing stored; Cancel then closes the port.
    void okFailingThenCancelStoresNothing_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("sentCount");
        QTest::newRow("password refused") << QStringLiteral("AT#PASS=") << int(quorra::FaultKind::Error) << 2;
        QTest::newRow("silent from the fax command")
            << QStringLiteral("AT#FAX=") << int(quorra::FaultKind::Silence) << 6;
        QTest::newRow("caller-ID refused") << QStringLiteral("AT+VCID=") << int(quorra::FaultKind::Error) << 12;
    }
    void okFailingThenCancelStoresNothing() {
        QFETCH(QString, command);
        QFETCH(int, kind);
        QFETCH(int, sentCount);
        Bench bench;
        bench.WriteSettings("PASS=1234\r\nVSM=0");
        const QByteArray before = bench.IniBytes();
        bench.Refuse(command.toStdString(), static_cast<quorra::FaultKind>(kind));
        ModemSettingsDialog dialog(bench.services, bench.Dir());
        const int result = RunModal(dialog, [&] {
            Control<QLineEdit>(dialog, "passwordEdit")->setText(QStringLiteral("9999"));
            Click(dialog, "okButton");
            QCOMPARE(bench.messages.Texts(), QStringList{kFailed});
            QCOMPARE(bench.messages.shown.front().icon, MessageBoxService::Icon::None);
            QVERIFY(dialog.isVisible());
            QVERIFY(dialog.isEnabled());
            QVERIFY(!status::IsBusy());
            QVERIFY(bench.PortOpen());
            QCOMPARE(int(bench.CommandsAfterProbe().size()), sentCount);
            Click(dialog, "cancelButton");
        });
        QCOMPARE(result, int(QDialog::Rejected));
        QVERIFY(!bench.PortOpen());
        QCOMPARE(bench.sim.com1.StoreCount(), 0);
        QCOMPARE(bench.IniBytes(), before);
    }

    void aFailedOkCanBeRepeated() {
        Bench bench;
        quorra::Fault fault;
        fault.kind = quorra::FaultKind::NoAck;
        fault.command = "AT#TIME=";
        fault.occurrence = 1;
        bench.sim.com1.AddFault(fault);
        ModemSettingsDialog dialog(bench.services, bench.Dir());
        const int result = RunModal(dialog, [&] {
            Click(dialog, "okButton");
            QCOMPARE(bench.messages.Texts(), QStringList{kFailed});
            Click(dialog, "okButton");
        });
        QCOMPARE(result, int(QDialog::Accepted));
        QCOMPARE(bench.messages.Texts(), (QStringList{kFailed, kDone}));
        // The second attempt starts again from the ring count.
        QCOMPARE(int(bench.CommandsAfterProbe().size()), 10 + 13);
        QCOMPARE(bench.CommandsAfterProbe()[10], std::string("AT#RING=4"));
        QCOMPARE(bench.Stored("RING"), std::string("4"));
    }

    // While OK sends, the dialog is disabled; what still reaches it (a second OK, Cancel, a close
    // request from the window manager) is turned away by its guards: nothing is sent twice and the
    // dialog does not end in the middle of the transfer.
    void secondOkOrCloseWhileSendingIsTurnedAway() {
        Bench bench;
        ModemSettingsDialog dialog(bench.services, bench.Dir());
        int tries = 0;
        bool stayedOpen = false;
        bench.sim.com1.SetMonitor([&](char direction, std::string_view bytes) {
            if (direction != '>' || !bytes.starts_with("AT#FAX="))
                return;
            ++tries;
            dialog.OnOK();
            dialog.OnCancel();
            dialog.reject();
            dialog.close();
            stayedOpen = dialog.isVisible() && bench.PortOpen();
        });
        const int result = RunModal(dialog, [&] { Click(dialog, "okButton"); });
        QCOMPARE(result, int(QDialog::Accepted));
        QCOMPARE(tries, 1);
        QVERIFY(stayedOpen);
        QCOMPARE(int(bench.CommandsAfterProbe().size()), 13);
        QCOMPARE(bench.messages.Texts(), QStringList{kDone});
    }

    void escAndTheCloseBoxCancel_data() {
        QTest::addColumn<bool>("viaEsc");
        QTest::newRow("Esc") << true;
        QTest::newRow("close box") << false;
    }
    void escAndTheCloseBoxCancel() {
        QFETCH(bool, viaEsc);
        Bench bench;
        ModemSettingsDialog dialog(bench.services, bench.Dir());
        const int result = RunModal(dialog, [&] {
            QVERIFY(bench.PortOpen());
            if (viaEsc)
                QTest::keyClick(&dialog, Qt::Key_Escape);
            else
                dialog.close();
        });
        QCOMPARE(result, int(QDialog::Rejected));
        QVERIFY(!bench.PortOpen());
        QVERIFY(bench.CommandsAfterProbe().empty());
        QVERIFY(bench.IniBytes().isEmpty());
    }

    // The command ModemSettings from the fax list view: the status bar names the dialog while it runs (also
    // while the detection reports no modem) and shows the idle text again afterwards.
    void settingsCommandRestoresTheIdleText_data() {
        QTest::addColumn<bool>("withModem");
        QTest::newRow("modem found, cancelled") << true;
        QTest::newRow("no modem") << false;
    }
    void settingsCommandRestoresTheIdleText() {
        QFETCH(bool, withModem);
        Bench bench;
        if (!withModem)
            bench.sim.RemoveCom1();
        FaxReader reader = ReaderFor(bench.services);
        FaxListView view(bench.services, reader);
        bool shown = false;
        QTimer::singleShot(0, &view, [&] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                if (auto* dialog = qobject_cast<ModemSettingsDialog*>(widget); dialog && dialog->isVisible()) {
                    shown = true;
                    QCOMPARE(status::StatusText(), QStringLiteral("设置KorvelQuorraMODEM参数"));
                    QCOMPARE(dialog->m_iniPath, bench.IniPath());
                    Click(*dialog, "cancelButton");
                }
            }
        });
        view.OnModemSettings();
        QCOMPARE(shown, withModem);
        if (!withModem) {
            QCOMPARE(bench.messages.Texts(), QStringList{QStringLiteral("检测调制解调器失败！")});
            QCOMPARE(bench.messages.shown.front().statusText, QStringLiteral("KorvelQuorraMODEM参数设置"));
        }
        QCOMPARE(status::StatusText(), QStringLiteral("KorvelQuorraMODEM传真处理程序"));
    }
};

QTEST_MAIN(TestModemSettingsDialog)
#include "tst_modemsettingsdialog.moc"
