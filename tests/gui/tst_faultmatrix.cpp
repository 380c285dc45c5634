// SPDX-License-Identifier: GPL-3.0-or-later
// Every modem command of the program against every fault of the line, through the main window on
// virtual time against the simulated modem. Each run must end with the outcome and the message
// the program promises, within the sum of the waits the command may take, with the records and
// page files already written still there, the window enabled with the idle text and the normal
// cursor, and the port closed, so that the same command works once the modem is right again.
//
// The table of outcomes goes to robustness/fault-matrix.md in the build directory
// (scripts/update-robustness copies it into docs/robustness.md).
#include "GuiTestSupport.h"

#include "app/MainWindow.h"
#include "core/fax/FaxRecordStore.h"
#include "core/fax/FaxRetrieval.h"
#include "core/modem/ModemCommands.h"
#include "core/modem/ModemLink.h"
#include "core/platform/ProfileFile.h"
#include "support/SimModemFixture.h"
#include "support/TestSupport.h"
#include "ui/faxlist/FaxListView.h"
#include "ui/kit/Status.h"
#include "ui/phonebook/CallerRecordDialog.h"
#include "ui/phonebook/PhoneNumberDialog.h"
#include "ui/settings/ModemSettingsDialog.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <vector>

namespace fs = std::filesystem;

namespace {

enum class Command { Read, Detection, Settings, PhoneNumbers, CallerLog };
enum class Fault { NoAck, Late, Garbage, Silence, LineGone, CutShort, Endless, PortHeld, NoPermission };

const char* Name(Command c) {
    switch (c) {
    case Command::Read:
        return "fax read";
    case Command::Detection:
        return "detection";
    case Command::Settings:
        return "settings";
    case Command::PhoneNumbers:
        return "phone numbers";
    case Command::CallerLog:
        return "caller log";
    }
    return "";
}

const char* Name(Fault f) {
    switch (f) {
    case Fault::NoAck:
        return "no acknowledgement";
    case Fault::Late:
        return "late reply";
    case Fault::Garbage:
        return "garbage";
    case Fault::Silence:
        return "silence";
    case Fault::LineGone:
        return "line gone";
    case Fault::CutShort:
        return "page/reply cut short";
    case Fault::Endless:
        return "endless data";
    case Fault::PortHeld:
        return "port held by another program";
    case Fault::NoPermission:
        return "port without permission";
    }
    return "";
}

// Garbage as a line may carry it: high bytes, flow-control characters, a DLE; no zero byte and no
// "OK", which would make it something other than garbage.
const std::string kGarbage = "\x7F\xFE#g@rb\xA1ge\x13\x11\x10\r\n";
// The page file of a fax read before: it must stay as it is.
const std::string kEarlierPageFile("II*\0 an earlier fax", 19);

std::string Page(const char* name) {
    return testsupport::ReadFile(std::string(FAXDESK_TEST_DATA_DIR) + "/pages/" + name + ".g3");
}

const std::vector<std::string>& Pages() {
    static const std::vector<std::string> pages = {Page("black-line"), Page("checker")};
    return pages;
}

// The command each fault is aimed at, and how late a late reply comes: past the command's wait.
struct Target {
    std::string command;
    int occurrence;
    uint32_t lateMs;
    size_t cutAfter; // bytes of the page or the reply that still come
};

Target TargetOf(Command c, Fault f) {
    switch (c) {
    case Command::Read: {
        // The second fax, so that the first one's record and page file are there to keep.
        const bool page = f == Fault::LineGone || f == Fault::CutShort || f == Fault::Endless;
        return {page ? "\x12" : "ATA", 2, modem::kOkLineTimeout + 1000, 300};
    }
    case Command::Detection:
        return {"AT", 0, modem::kPresenceWait + 100, 3};
    case Command::Settings:
        return {"AT#PASS=", 0, modem::kLongWait + 500, 3};
    case Command::PhoneNumbers:
        return {"AT&Z5=", 0, modem::kLongWait + 500, 3};
    case Command::CallerLog:
        // Cut inside the second record: the first whole, the second a part, the third missing.
        return {"AT&V", 0, modem::kOkLineTimeout + 1000, 70};
    }
    return {};
}

// The longest the command may take: the sum of the waits on its path (COM1 and COM2 probed when
// COM1 fails), the page data at line speed, and for endless page data the 8 MiB a page may hold.
uint32_t LimitMs(Command c, bool endless) {
    using namespace modem;
    const uint32_t probe = kDtrRaise + 3 * kPresenceWait;
    switch (c) {
    case Command::Read: {
        uint64_t data = 0;
        for (const std::string& page : Pages())
            data += page.size();
        if (endless)
            data += ModemLink::kMaxPageBytes;
        const uint32_t lineMs = static_cast<uint32_t>(data * 1000 / 11520) + 1;
        const uint32_t setUp = kDtrRaise + kPresenceWait + kLongWait + 3 * kShortWait + kLongWait;
        // Per fax: answer, report, page request, page (data, a second of empty polls, its "OK"),
        // the request that finds no further page, and the next "ATG" with its wait.
        const uint32_t perFax = kShortWait + kOkLineTimeout + kLongWait + 1000 + kPageEndOkTimeout + kLongWait +
                                kShortWait + kNextRingTimeout;
        const uint32_t com2 = kDtrRaise + kPresenceWait + 3 * kPresenceWait;
        return 3 * kPresenceWait + setUp + kShortWait + kFirstRingTimeout + 2 * perFax + lineMs + 3 * kShortWait +
               4 * kShortWait + com2;
    }
    case Command::Detection:
        return 2 * probe;
    case Command::Settings:
        return std::max(2 * probe, probe + 13 * kLongWait);
    case Command::PhoneNumbers:
        return std::max(2 * probe, probe + 26 * kLongWait);
    case Command::CallerLog:
        // The wait for the "OK" line goes on while the tick count is at most its start + 5000: it
        // ends on the first tick past that.
        return std::max(2 * probe, probe + kShortWait + kOkLineTimeout + 1);
    }
    return 0;
}

// What the program promises for each cell: the message shown (empty: none) and whether the
// command's work gets done (faxes read, settings or numbers stored, caller lines shown, dialog
// shown).
struct Promise {
    QString message;
    bool done;
};

const QString kNoModem = QStringLiteral("检测调制解调器失败！");
const QString kReadFailed = QStringLiteral("传真读取失败！");
const QString kSetFailed = QStringLiteral("参数设置失败！请按照说明书重新设置。");
const QString kSetDone = QStringLiteral("KorvelQuorraMODEM设置完成！");

// What a command says when it did its work (the settings dialog confirms; the rest say nothing).
QStringList SuccessMessages(Command c) {
    return c == Command::Settings ? QStringList{kSetDone} : QStringList();
}

Promise PromiseOf(Command c, Fault f) {
    if (f == Fault::PortHeld || f == Fault::NoPermission)
        return {kNoModem, false};
    // Garbage in front of an answer does not hide the answer. A late answer to a probe is taken
    // by the next probe's look: the modem is there, only slow.
    const bool answered = f == Fault::Garbage || (c == Command::Detection && f == Fault::Late);
    switch (c) {
    case Command::Read:
        return {answered ? QString() : kReadFailed, answered};
    case Command::Detection:
        return {answered ? QString() : kNoModem, answered};
    case Command::Settings:
        return {answered ? kSetDone : kSetFailed, answered};
    case Command::PhoneNumbers:
        return {answered ? QString() : kSetFailed, answered};
    case Command::CallerLog:
        // The list shows what came; nothing is said when nothing came.
        return {QString(), answered};
    }
    return {};
}

constexpr const char* kCalls[][2] = {
    {"87654321", "14300825"}, {"13901234567", "08150102"}, {"01087654321", "23591231"}};

// What one run of a command left.
struct Outcome {
    QStringList messages;
    bool done = false;
    int lines = 0; // caller lines shown, or faxes read
    uint32_t elapsedMs = 0;
    bool windowGivenBack = false;
    bool portClosed = false;
    bool kept = false;
};

class Matrix {
public:
    Matrix() : m_dir(testsupport::MakeTempDir()) {
        m_sim.time.SetProcessQtEvents(true);
        for (int i = 0; i < 2; ++i)
            m_sim.com1.AddFax({"+86 10 8765432" + std::to_string(i), i == 0, {Pages()[static_cast<size_t>(i)]}});
        for (const auto& call : kCalls)
            m_sim.com1.AddCall({call[0], call[1]});
        // A record and page file from an earlier read, settings and phone numbers: all must stay.
        testsupport::WriteFile(m_dir + "20261201080000.TIF", kEarlierPageFile);
        testsupport::WriteFile(m_dir + "RERAVA.INI", "[DEZAZAZE]\r\nINSTALL=1\r\nPASS=1234\r\nRING=4\r\nAt7z0=110\r\n"
                                                     "[FAX]\r\nNUM=1\r\n[FAX1]\r\nFILE=" +
                                                         m_dir +
                                                         "20261201080000.TIF\r\nTIME=2026/12/01  08:00:00\r\n"
                                                         "ID=earlier\r\nRead=1\r\nPage=1\r\nRes=1\r\n");
        m_iniBefore = testsupport::ReadFile(m_dir + "RERAVA.INI");
    }

    void Arm(Command c, Fault f) {
        const Target t = TargetOf(c, f);
        quorra::Fault fault;
        fault.command = t.command;
        fault.occurrence = t.occurrence;
        switch (f) {
        case Fault::NoAck:
            fault.kind = quorra::FaultKind::NoAck;
            break;
        case Fault::Late:
            fault.kind = quorra::FaultKind::Late;
            fault.delayMs = t.lateMs;
            break;
        case Fault::Garbage:
            fault.kind = quorra::FaultKind::Garbage;
            fault.bytes = kGarbage;
            break;
        case Fault::Silence:
            fault.kind = quorra::FaultKind::Silence;
            break;
        case Fault::LineGone:
            fault.kind = quorra::FaultKind::LineDrop;
            fault.afterBytes = t.cutAfter;
            break;
        case Fault::CutShort:
            fault.kind = quorra::FaultKind::CutPage;
            fault.afterBytes = t.cutAfter;
            break;
        case Fault::Endless:
            fault.kind = quorra::FaultKind::Endless;
            break;
        case Fault::PortHeld:
            // Another program has the port open.
            m_holder = std::make_unique<ModemLink>(m_sim.env);
            QVERIFY(m_holder->Open("COM1"));
            return;
        case Fault::NoPermission:
            m_sim.ports.Wire("COM1")->RefuseOpen(true);
            return;
        }
        m_sim.com1.AddFault(fault);
    }

    // The modem switched off and on, the other program gone, the permission given.
    void Heal() {
        m_sim.com1.ClearFaults();
        if (m_holder)
            m_holder->Close();
        m_holder.reset();
        m_sim.ports.Wire("COM1")->RefuseOpen(false);
    }

    Outcome Run(Command c) {
        Outcome out;
        const size_t messagesBefore = m_messages.shown.size();
        const uint32_t start = m_sim.time.TickCount();
        const int storesBefore = m_sim.com1.StoreCount();
        MainWindow frame(m_services);
        frame.show();
        bool dialogShown = false;
        int lines = 0;
        DriveDialog(c, dialogShown, lines);
        const MenuCommand ids[] = {MenuCommand::ReadFaxes, MenuCommand::ModemSettings, MenuCommand::ModemSettings,
                                   MenuCommand::PhoneNumbers, MenuCommand::CallerRecords};
        QAction* action = frame.Action(ids[static_cast<int>(c)]);
        if (!action)
            qFatal("no action for %s", Name(c));
        action->trigger();
        m_driver.reset();
        out.elapsedMs = m_sim.time.TickCount() - start;
        for (size_t i = messagesBefore; i < m_messages.shown.size(); ++i)
            out.messages << m_messages.shown[i].text;
        out.windowGivenBack = frame.isEnabled() && !status::IsBusy() && !QApplication::overrideCursor() &&
                              status::StatusText() == retrieval::kIdleText.toString();
        out.portClosed = !m_sim.ports.Wire("COM1")->HostOpen() || m_holder;
        switch (c) {
        case Command::Read:
            out.lines = Records() - 1;
            out.done = m_sim.com1.FaxesLeft() == 0;
            break;
        case Command::Detection:
            out.done = dialogShown;
            break;
        case Command::Settings:
        case Command::PhoneNumbers:
            out.done = m_sim.com1.StoreCount() > storesBefore ||
                       (c == Command::PhoneNumbers && m_sim.com1.Slot(78) == "name15");
            break;
        case Command::CallerLog:
            out.lines = lines;
            out.done = lines == static_cast<int>(std::size(kCalls));
            break;
        }
        out.kept = Kept(c);
        return out;
    }

    const std::string& IniBefore() const { return m_iniBefore; }
    std::string Ini() const { return testsupport::ReadFile(m_dir + "RERAVA.INI"); }

private:
    int Records() {
        FaxRecordStore store;
        store.OpenStoreAt(m_dir + "RERAVA.INI");
        int n = 0;
        store.LoadRecords([&](const FaxRecord&) { ++n; });
        return n;
    }

    // The earlier record and its page file are untouched, every record names a page file that
    // libtiff reads with the recorded page count, and the settings and numbers are what they were
    // unless the command stored new ones.
    bool Kept(Command c) {
        if (testsupport::ReadFile(m_dir + "20261201080000.TIF") != kEarlierPageFile)
            return false;
        const ProfileFile ini = ProfileFile::Load(m_dir + "RERAVA.INI");
        if (ini.GetString("FAX1", "ID", "") != "earlier" || ini.GetString("FAX1", "TIME", "") != "2026/12/01  08:00:00")
            return false;
        bool pagesWhole = true;
        FaxRecordStore store;
        store.OpenStoreAt(m_dir + "RERAVA.INI");
        store.LoadRecords([&](const FaxRecord& r) {
            if (r.section != "FAX1" && testsupport::TiffPages(r.file) != std::stoi(r.page))
                pagesWhole = false;
        });
        if (!pagesWhole)
            return false;
        if (c != Command::Settings && ini.GetString("DEZAZAZE", "PASS", "") != "1234")
            return false;
        if (c != Command::PhoneNumbers && ini.GetString("DEZAZAZE", "At7z0", "") != "110")
            return false;
        return true;
    }

    // Acts in the modal dialog once it is on screen: OK (settings, with a new password) or Save
    // (phone numbers, with a new name in the last slot), then Cancel or Exit when it stayed open;
    // the detection and the caller log only look and leave.
    void DriveDialog(Command c, bool& shown, int& lines) {
        if (c == Command::Read)
            return;
        m_driver = std::make_unique<QTimer>();
        m_driver->setInterval(0);
        auto state = std::make_shared<int>(0);
        QObject::connect(m_driver.get(), &QTimer::timeout, [this, c, state, &shown, &lines] {
            QDialog* dialog = nullptr;
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* d = qobject_cast<ModemDialog*>(w); d && d->isVisible())
                    dialog = d;
            if (!dialog || *state == 1)
                return;
            shown = true;
            auto button = [dialog](const char* name) {
                auto* b = dialog->findChild<QPushButton*>(QLatin1String(name));
                if (!b)
                    qFatal("no button %s", name);
                return b;
            };
            if (c == Command::CallerLog) {
                lines = static_cast<CallerRecordDialog*>(dialog)->List()->count();
                button("exitButton")->click();
            } else if (c == Command::Detection) {
                button("cancelButton")->click();
            } else if (*state == 0) {
                *state = 1;
                if (c == Command::Settings) {
                    dialog->findChild<QLineEdit*>(QStringLiteral("passwordEdit"))->setText(QStringLiteral("4321"));
                    button("okButton")->click();
                } else {
                    dialog->findChild<QLineEdit*>(QStringLiteral("nameEdit15"))->setText(QStringLiteral("name15"));
                    button("saveButton")->click();
                }
                *state = 2;
            } else if (dialog->isVisible()) {
                button(c == Command::Settings ? "cancelButton" : "exitButton")->click();
            }
        });
        m_driver->start();
    }

    std::string m_dir;
    SimModemFixture m_sim;
    std::unique_ptr<ModemLink> m_holder;
    std::unique_ptr<QTimer> m_driver;
    std::string m_iniBefore;
    SystemWallClock m_wallClock;
    RecordingMessageBoxService m_messages;
    AnsweringFolderChooser m_folders;
    RecordingShell m_shell;
    const AppServices m_services{m_sim.time, m_wallClock, m_sim.time,        m_sim.ports, m_messages,
                                 m_folders,  m_shell,     m_dir + "faxdesk", m_dir};
};

QString Cell(bool ok) {
    return ok ? QStringLiteral("yes") : QStringLiteral("**NO**");
}

} // namespace

class TestFaultMatrix : public QObject {
    Q_OBJECT
private slots:
    void matrix() {
        const Command commands[] = {Command::Read, Command::Detection, Command::Settings, Command::PhoneNumbers,
                                    Command::CallerLog};
        const Fault faults[] = {Fault::NoAck,    Fault::Late,    Fault::Garbage,  Fault::Silence,     Fault::LineGone,
                                Fault::CutShort, Fault::Endless, Fault::PortHeld, Fault::NoPermission};
        QStringList rows;
        QStringList failures;
        for (const Command c : commands) {
            for (const Fault f : faults) {
                Matrix m;
                m.Arm(c, f);
                const Outcome got = m.Run(c);
                m.Heal();
                const Outcome next = m.Run(c);

                const Promise promise = PromiseOf(c, f);
                const QStringList wantMessages =
                    promise.message.isEmpty() ? QStringList() : QStringList{promise.message};
                const uint32_t limit = LimitMs(c, f == Fault::Endless);
                // The next run finishes the work; a fax read finds what is left (both faxes were
                // read already when garbage did not stop it: then "no stored fax" is the answer).
                const bool nextWorks =
                    next.done &&
                    (next.messages == SuccessMessages(c) ||
                     (c == Command::Read && next.messages == QStringList{retrieval::kNoFaxMessage.toString()}));
                const bool ok = got.messages == wantMessages && got.done == promise.done && got.elapsedMs <= limit &&
                                got.windowGivenBack && got.portClosed && got.kept && nextWorks;
                if (!ok)
                    failures << QStringLiteral("%1 / %2: messages %3, done %4, %5 ms of %6, window %7, port closed %8, "
                                               "kept %9, next works %10")
                                    .arg(QLatin1String(Name(c)), QLatin1String(Name(f)), got.messages.join(u'|'))
                                    .arg(got.done)
                                    .arg(got.elapsedMs)
                                    .arg(limit)
                                    .arg(got.windowGivenBack)
                                    .arg(got.portClosed)
                                    .arg(got.kept)
                                    .arg(nextWorks);
                QString outcome = got.messages.isEmpty() ? QStringLiteral("no message") : got.messages.join(u'/');
                if (c == Command::Read)
                    outcome += QStringLiteral(", %1 of 2 faxes recorded").arg(got.lines);
                else if (c == Command::CallerLog)
                    outcome += QStringLiteral(", %1 of 3 calls listed").arg(got.lines);
                else if (c == Command::Detection)
                    outcome += got.done ? QStringLiteral(", dialog shown") : QStringLiteral(", no dialog");
                else
                    outcome += got.done ? QStringLiteral(", stored") : QStringLiteral(", nothing stored");
                rows << QStringLiteral("| %1 | %2 | %3 | %4 | %5 | %6 | %7 | %8 | %9 |")
                            .arg(QLatin1String(Name(c)), QLatin1String(Name(f)), outcome,
                                 Cell(got.messages == wantMessages && got.done == promise.done))
                            .arg((got.elapsedMs <= limit ? QStringLiteral("%1 / %2") : QStringLiteral("**%1 / %2**"))
                                     .arg(got.elapsedMs)
                                     .arg(limit),
                                 Cell(got.kept), Cell(got.windowGivenBack), Cell(got.portClosed), Cell(nextWorks));
            }
        }

        const std::string dir = std::string(FAXDESK_BINARY_DIR) + "/robustness/";
        fs::create_directories(dir);
        std::ofstream md(dir + "fault-matrix.md", std::ios::trunc);
        md << "| Command | Fault | Outcome | As promised | Virtual ms / limit | Records and page files kept | "
              "Window enabled, idle text, normal cursor | Port closed | Next command works |\n"
           << "|---|---|---|---|---:|---|---|---|---|\n";
        for (const QString& row : rows)
            md << row.toStdString() << "\n";
        QVERIFY2(failures.isEmpty(), qPrintable(failures.join(u'\n')));
    }
};

QTEST_MAIN(TestFaultMatrix)
#include "tst_faultmatrix.moc"
