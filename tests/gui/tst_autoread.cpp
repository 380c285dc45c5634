// SPDX-License-Identifier: GPL-3.0-or-later
// Faxes that come in by themselves, in the main window on virtual time against the simulated
// modem: the automatic read and its notification, a read that finds nothing and stays silent, no
// read nested in a command or a command in a read, a command line's read handed over to the
// window through the local socket, and the list following RERAVA.INI changed by someone else.
#include "GuiTestSupport.h"

#include "app/AutoReader.h"
#include "app/MainWindow.h"
#include "app/ReadHandOver.h"
#include "app/SingleInstance.h"
#include "app/TrayIcon.h"
#include "core/fax/AutoReadSettings.h"
#include "core/fax/FaxRecordStore.h"
#include "core/fax/FaxRetrieval.h"
#include "core/fax/ReadReport.h"
#include "core/platform/ProfileFile.h"
#include "support/SimModemFixture.h"
#include "support/TestSupport.h"
#include "ui/faxlist/FaxListView.h"
#include "ui/kit/Status.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>

#include <string>
#include <vector>

namespace {

std::string Page(const char* name) {
    return testsupport::ReadFile(std::string(FAXDESK_TEST_DATA_DIR) + "/pages/" + name + ".g3");
}

size_t CountOf(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size()))
        ++count;
    return count;
}

class RecordingNotifier final : public FaxNotifier {
public:
    void NewFaxes(const std::vector<retrieval::RecordedFax>& faxes) override { notified.push_back(faxes); }
    void UnreadFaxes(int count) override { unread = count; }
    void ReadProblem(const QString& text) override { problem = text; }
    std::vector<std::vector<retrieval::RecordedFax>> notified;
    int unread = -1;
    QString problem;
};

// The main window on the simulated modem with automatic reading on (every 5 minutes).
struct AutoFixture {
    explicit AutoFixture(const QString& ini = QStringLiteral("one-fax.ini")) : gui(ini) {
        sim.time.SetProcessQtEvents(true);
        AutoReadSettings{true, 5}.Save(gui.IniPath());
        frame = std::make_unique<MainWindow>(services);
        frame->AutoRead().SetNotifier(&notifier);
        frame->show();
    }
    // Every byte the program sent to the modem, in order.
    std::string& RecordSent() {
        sim.com1.SetMonitor([this](char direction, std::string_view bytes) {
            if (direction == '>')
                sent += bytes;
        });
        return sent;
    }

    GuiFixture gui;
    SimModemFixture sim;
    RecordingMessageBoxService messages;
    const AppServices services{sim.time,
                               gui.wallClock,
                               sim.time,
                               sim.ports,
                               messages,
                               gui.folders,
                               gui.shell,
                               gui.services.programPath,
                               gui.services.programDirectory};
    RecordingNotifier notifier;
    std::unique_ptr<MainWindow> frame;
    std::string sent;
};

} // namespace

class TestAutoRead : public QObject {
    Q_OBJECT
private slots:
    void settingsTakeEffectAndTimerRuns() {
        AutoFixture f;
        const QTimer& timer = f.frame->AutoRead().Timer();
        QVERIFY(timer.isActive());
        QCOMPARE(timer.interval(), 5 * 60 * 1000);
        // A hand-edited interval out of range is brought back into it.
        profile::WriteString(f.gui.IniPath(), AutoReadSettings::kSection, "Minutes", "2");
        QCOMPARE(AutoReadSettings::Load(f.gui.IniPath()).minutes, 5);
        profile::WriteString(f.gui.IniPath(), AutoReadSettings::kSection, "Minutes", "99999");
        QCOMPARE(AutoReadSettings::Load(f.gui.IniPath()).minutes, 1440);
        // Through the dialog: every 30 minutes, kept in RERAVA.INI.
        QTimer::singleShot(0, [] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            QCOMPARE(dialog->windowTitle(), QStringLiteral("自动读取"));
            QVERIFY(dialog->findChild<QCheckBox*>(QStringLiteral("autoReadEnabled"))->isChecked());
            dialog->findChild<QSpinBox*>(QStringLiteral("autoReadMinutes"))->setValue(30);
            dialog->findChild<QPushButton*>(QStringLiteral("ok"))->click();
        });
        f.frame->Action(MenuCommand::AutoRead)->trigger();
        QCOMPARE(profile::GetString(f.gui.IniPath(), "AUTOREAD", "Enabled", ""), std::string("1"));
        QCOMPARE(profile::GetString(f.gui.IniPath(), "AUTOREAD", "Minutes", ""), std::string("30"));
        QCOMPARE(timer.interval(), 30 * 60 * 1000);
        QCOMPARE(status::StatusText(), retrieval::kIdleText.toString());

        // Turned off: no timer, nothing read when it would have been due.
        AutoReadSettings{false, 60}.Save(f.gui.IniPath());
        f.frame->StartAutomaticReading();
        QVERIFY(!timer.isActive());
        QVERIFY(!f.frame->AutoRead().RetryTimer().isActive());
        std::string& sent = f.RecordSent();
        f.frame->AutoRead().OnDue();
        QVERIFY(sent.empty());
    }

    void readThatFindsTwoFaxesNotifiesOnce() {
        AutoFixture f;
        f.sim.com1.AddFax({"     +86 10 87654321", true, {Page("checker")}});
        f.sim.com1.AddFax({"       021 5550 1234", false, {Page("text-normal-fill"), Page("black-line")}});
        FaxListView* view = f.frame->View();
        view->SelectRow(0);

        bool enabledDuring = false;
        f.sim.com1.SetMonitor([&](char direction, std::string_view bytes) {
            if (direction == '>' && bytes.find("ATA") != std::string_view::npos)
                enabledDuring = f.frame->isEnabled() && !status::IsBusy();
        });
        f.frame->AutoRead().OnDue();

        QVERIFY2(enabledDuring, "the window stays usable during a read in the background");
        QVERIFY(f.messages.shown.empty());
        QCOMPARE(f.notifier.notified.size(), size_t(1));
        const auto& faxes = f.notifier.notified[0];
        QCOMPARE(faxes.size(), size_t(2));
        QCOMPARE(faxes[0].id, QStringLiteral("+86 10 87654321"));
        QCOMPARE(faxes[1].id, QStringLiteral("021 5550 1234"));
        QCOMPARE(faxes[1].pages, 2);
        QCOMPARE(TrayIcon::NewFaxesTitle(faxes.size()), QStringLiteral("收到 2 份新传真"));
        QCOMPARE(TrayIcon::NewFaxesMessage(faxes), QStringLiteral("+86 10 87654321（1 页）\n021 5550 1234（2 页）"));
        // The notification server reads markup: an identification that holds some is sent as text.
        const std::vector<retrieval::RecordedFax> marked{{QStringLiteral("<a href=\"http://x\">PAY</a> & <b>"), 1, {}}};
        QCOMPARE(TrayIcon::NewFaxesNotificationBody(marked),
                 QStringLiteral("&lt;a href=&quot;http://x&quot;&gt;PAY&lt;/a&gt; &amp; &lt;b&gt;（1 页）"));
        QCOMPARE(f.notifier.unread, 3);
        QVERIFY(f.notifier.problem.isEmpty());
        QCOMPARE(view->model()->rowCount(), 3);
        QCOMPARE(view->SelectedRow(), 0); // the selection stays on its record
        QCOMPARE(status::StatusText(), retrieval::kIdleText.toString());

        // The next one finds nothing new and tells nothing.
        f.frame->AutoRead().OnDue();
        QCOMPARE(f.notifier.notified.size(), size_t(1));
        QVERIFY(f.messages.shown.empty());
    }

    void readThatFindsNothingStaysSilent_data() {
        QTest::addColumn<bool>("modem");
        QTest::newRow("empty modem") << true;
        QTest::newRow("no modem") << false;
    }
    void readThatFindsNothingStaysSilent() {
        QFETCH(bool, modem);
        AutoFixture f;
        if (!modem)
            f.sim.RemoveCom1();
        f.frame->AutoRead().OnDue();
        QVERIFY(f.messages.shown.empty());
        QVERIFY(f.notifier.notified.empty());
        QCOMPARE(f.notifier.unread, 1);
        // A modem that went away shows in the tray's tooltip, not in a box every few minutes.
        QCOMPARE(f.notifier.problem, modem ? QString() : retrieval::kNoModemMessage.toString());
        QCOMPARE(f.frame->View()->model()->rowCount(), 1);
        QCOMPARE(status::StatusText(), retrieval::kIdleText.toString());
    }

    void neverNested() {
        AutoFixture f;
        f.sim.com1.AddFax({"1", true, {Page("checker")}});
        std::string& sent = f.RecordSent();

        // Due while a command runs or a dialog is open: not now, soon after.
        status::SetBusy(true);
        f.frame->AutoRead().OnDue();
        status::SetBusy(false);
        QVERIFY(sent.empty());
        QVERIFY(f.frame->AutoRead().RetryTimer().isActive());
        QTimer::singleShot(0, [&f] {
            f.frame->AutoRead().OnDue();
            if (QWidget* dialog = QApplication::activeModalWidget())
                static_cast<QDialog*>(dialog)->reject();
        });
        QDialog dialog(f.frame.get());
        dialog.exec();
        QVERIFY(sent.empty());

        // During the read in the background, the user's commands are refused with a word why, and
        // the modem hears nothing of them.
        QStringList statusDuring;
        int commandsTried = 0;
        f.sim.com1.SetMonitor([&](char direction, std::string_view bytes) {
            if (direction != '>')
                return;
            sent += bytes;
            if (bytes.find("ATA") == std::string_view::npos || commandsTried > 0)
                return;
            for (const MenuCommand id :
                 {MenuCommand::ReadFaxes, MenuCommand::ModemSettings, MenuCommand::ViewFax, MenuCommand::AutoRead}) {
                ++commandsTried;
                f.frame->Action(id)->trigger();
                statusDuring << status::StatusText();
            }
        });
        f.frame->AutoRead().OnDue();
        QCOMPARE(commandsTried, 4);
        for (const QString& text : statusDuring)
            QCOMPARE(text, MainWindow::RefusedText());
        QVERIFY(f.messages.shown.empty());
        QVERIFY(f.gui.shell.opened.empty());
        // One read: one answer, one probe sequence.
        QCOMPARE(CountOf(sent, "ATA\r"), size_t(1));
        QCOMPARE(f.frame->View()->model()->rowCount(), 2);
        QVERIFY(!QApplication::activeModalWidget());

        // And a command line asking meanwhile is told the program is busy.
        status::SetBusy(true);
        QVERIFY(!f.frame->AutoRead().ReadFor({}));
        status::SetBusy(false);
    }

    void commandLineHandsItsReadOver() {
        QTemporaryDir runtime;
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
        AutoFixture f;
        f.sim.com1.AddFax({"     +86 10 87654321", true, {Page("checker")}});
        f.sim.com1.AddFax({"2", false, {Page("checker")}});
        // This process is the running program: it holds the lock and listens.
        SingleInstance instance(QStringLiteral("KorvelQuorraMODEM传真"));
        QCOMPARE(instance.TryAcquire(), SingleInstance::Outcome::Acquired);
        QVERIFY(f.frame->ServeReadRequests(handover::ServerName(QStringLiteral("KorvelQuorraMODEM传真"))));

        auto commandLine = [&runtime](const QStringList& more = {}) {
            auto process = std::make_unique<QProcess>();
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
            env.remove(QStringLiteral("FAXDESK_PROGRAM_DIRECTORY"));
            process->setProcessEnvironment(env);
            process->start(QStringLiteral(FAXDESK_EXECUTABLE), QStringList{QStringLiteral("--read-faxes")} + more);
            return process;
        };
        auto read = commandLine();
        QTRY_COMPARE_WITH_TIMEOUT(read->state(), QProcess::NotRunning, 60000);
        const QString err = QString::fromUtf8(read->readAllStandardError());
        QCOMPARE(read->exitCode(), 0);
        QCOMPARE(QString::fromUtf8(read->readAllStandardOutput()).section(u'\n', 0, 0),
                 QStringLiteral("读取传真成功！共 2 份传真。"));
        QVERIFY2(err.startsWith(QStringLiteral("正在检测调制解调器...\n")), qPrintable(err));
        QVERIFY2(err.contains(QStringLiteral("第 1 份传真：+86 10 87654321，1 页\n")), qPrintable(err));
        // The window did the read: its list shows the faxes, and it told of them.
        QCOMPARE(f.frame->View()->model()->rowCount(), 3);
        QCOMPARE(f.notifier.notified.size(), size_t(1));

        // A window busy with a dialog turns the command line away rather than keep it waiting.
        status::SetBusy(true);
        auto refused = commandLine();
        QTRY_COMPARE_WITH_TIMEOUT(refused->state(), QProcess::NotRunning, 60000);
        status::SetBusy(false);
        QCOMPARE(refused->exitCode(), int(retrieval::kExitBusy));
        QCOMPARE(QString::fromUtf8(refused->readAllStandardOutput()), retrieval::BusyText());

        // A command line that names another program directory wants the faxes there: the window,
        // which would record them in its own, refuses and says where it keeps them.
        const QString windowDirectory = QFile::decodeName(QByteArray::fromStdString(f.services.programDirectory));
        QTemporaryDir other;
        std::string sentMeanwhile;
        f.sim.com1.SetMonitor([&sentMeanwhile](char, std::string_view bytes) { sentMeanwhile += bytes; });
        auto elsewhere = commandLine({QStringLiteral("--program-directory"), other.path()});
        QTRY_COMPARE_WITH_TIMEOUT(elsewhere->state(), QProcess::NotRunning, 60000);
        QCOMPARE(elsewhere->exitCode(), int(retrieval::kExitBusy));
        const QString whereItKeeps = QString::fromUtf8(elsewhere->readAllStandardError());
        QVERIFY2(whereItKeeps.contains(QDir::cleanPath(windowDirectory)), qPrintable(whereItKeeps));
        QVERIFY(sentMeanwhile.empty());
        QVERIFY(!QFile::exists(other.filePath(QStringLiteral("RERAVA.INI"))));

        // The window's own directory, named another way (no trailing slash), is taken: the modem
        // is asked, and it has nothing more.
        auto same = commandLine({QStringLiteral("--program-directory"), QDir::cleanPath(windowDirectory)});
        QTRY_COMPARE_WITH_TIMEOUT(same->state(), QProcess::NotRunning, 60000);
        QCOMPARE(same->exitCode(), int(retrieval::kExitNoFax));
        QVERIFY(!sentMeanwhile.empty());
        f.sim.com1.SetMonitor({});
    }

    void listFollowsTheFile() {
        AutoFixture f(QStringLiteral("three-faxes.ini"));
        FaxListView* view = f.frame->View();
        QCOMPARE(view->model()->rowCount(), 3);
        view->SelectRow(1);
        // Another program records a fax and removes the first record.
        FaxRecordStore other;
        other.OpenStoreAt(f.gui.IniPath());
        other.AppendRecord(f.gui.PathOf(QStringLiteral("20240101000000.TIF")), "2024/01/01  00:00:00", "outside", 2,
                           true);
        const std::string first = other.SectionOfRow(0);
        other.RemoveRecord(first);
        // Three rows before and after: what the list waits for is the new record in the last row.
        QTRY_COMPARE_WITH_TIMEOUT(view->Rows().Cell(2, FaxListView::kColumnId), QStringLiteral("outside"), 5000);
        QCOMPARE(view->model()->rowCount(), 3);
        QCOMPARE(view->SelectedRow(), 0); // the same record, one row up

        // The list's own writes (the row map of each load) start no reload of their own.
        int resets = 0;
        connect(view->model(), &QAbstractItemModel::modelReset, [&resets] { ++resets; });
        view->ReloadRows();
        QTest::qWait(800);
        QCOMPARE(resets, 1);
    }
};

QTEST_MAIN(TestAutoRead)
#include "tst_autoread.moc"
