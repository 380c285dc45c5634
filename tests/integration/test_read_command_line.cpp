// SPDX-License-Identifier: GPL-3.0-or-later
// faxdesk --read-faxes as a user or a timer of the system runs it: the real program, without a
// window, over a pseudo-terminal against quorra-modem-sim (the demo's set-up: a program directory
// named with --program-directory, RERAVA.INI with the installation mark and section "PORTS"), in real
// time. Each outcome's exit status, progress on standard error, summary on standard output, and
// the records and page files left behind.
#include "core/fax/FaxRecordStore.h"
#include "core/platform/ProfileFile.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>

#include <sys/stat.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

namespace {

struct Outcome {
    int status = -1;
    QString out;
    QString err;
};

class ReadCommandLine : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "test_read_command_line";
        static char* argv[] = {name, nullptr};
        app = new QCoreApplication(argc, argv);
    }

    // The program with `arguments`; the single-instance lock in a runtime directory of the test's
    // own, so that a window of the developer's does not take the read.
    Outcome Faxdesk(const QStringList& arguments) {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), QString::fromStdString(m_runtime));
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(FAXDESK_BINARY_DIR "/src/faxdesk"), arguments);
        EXPECT_TRUE(process.waitForFinished(120000));
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                QString::fromUtf8(process.readAllStandardOutput()), QString::fromUtf8(process.readAllStandardError())};
    }

    static QCoreApplication* app;
    std::string m_runtime = testsupport::MakeTempDir();
};

QCoreApplication* ReadCommandLine::app = nullptr;

TEST_F(ReadCommandLine, ReadsTheStoredFaxesThenFindsNoneThenNoModem) {
    // A session that lets others read what it makes, as Debian's does.
    ::umask(022);
    const std::string demo = testsupport::MakeTempDir() + "demo/";
    QProcess setup;
    setup.start(QStringLiteral(FAXDESK_SOURCE_DIR "/scripts/demo-setup"),
                {QStringLiteral(FAXDESK_BINARY_DIR), QString::fromStdString(demo)});
    ASSERT_TRUE(setup.waitForFinished(30000));
    ASSERT_EQ(setup.exitCode(), 0) << setup.readAllStandardError().toStdString();
    struct StopSimulator {
        int pid;
        ~StopSimulator() {
            if (pid > 0)
                ::kill(pid, SIGTERM);
        }
    } simulator{std::atoi(testsupport::ReadFile(demo + "quorra-modem-sim.pid").c_str())};
    const std::string ini = demo + "RERAVA.INI";
    const QStringList readDemo{QStringLiteral("--read-faxes"), QStringLiteral("--program-directory"),
                               QString::fromStdString(demo)};

    // Three stored faxes: read, recorded, written as page files.
    const Outcome read = Faxdesk(readDemo);
    EXPECT_EQ(read.status, 0) << read.err.toStdString();
    const QStringList progress = read.err.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_FALSE(progress.isEmpty());
    EXPECT_EQ(progress.front(), QStringLiteral("正在检测调制解调器..."));
    EXPECT_TRUE(progress.contains(QStringLiteral("第 1 份传真：0571 8765 4322，1 页"))) << read.err.toStdString();
    EXPECT_TRUE(progress.contains(QStringLiteral("第 3 份传真：+86 10 6655 7788，2 页"))) << read.err.toStdString();
    const QStringList summary = read.out.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(summary.size(), 4) << read.out.toStdString();
    EXPECT_EQ(summary[0], QStringLiteral("读取传真成功！共 3 份传真。"));

    FaxRecordStore store;
    store.OpenStoreAt(ini);
    std::vector<FaxRecord> records;
    store.LoadRecords([&](const FaxRecord& record) { records.push_back(record); });
    ASSERT_EQ(records.size(), 3u);
    const std::vector<int> pages = {1, 1, 2};
    for (size_t i = 0; i < records.size(); ++i) {
        EXPECT_FALSE(records[i].read);
        EXPECT_EQ(testsupport::TiffPages(records[i].file), pages[i]) << records[i].file;
        // A fax is a private letter: its page file is its user's alone.
        EXPECT_EQ(std::filesystem::status(records[i].file).permissions() & std::filesystem::perms::all,
                  std::filesystem::perms::owner_read | std::filesystem::perms::owner_write)
            << records[i].file;
        // The summary names each page file with its page count.
        EXPECT_TRUE(summary[qsizetype(i) + 1].startsWith(QString::fromStdString(records[i].file) + u'\t' +
                                                         QString::number(pages[i]) + u'\t'))
            << summary[qsizetype(i) + 1].toStdString();
    }

    // The modem gave its faxes out: nothing more to read, nothing more recorded.
    const Outcome none = Faxdesk(readDemo);
    EXPECT_EQ(none.status, 2);
    EXPECT_EQ(none.out, QStringLiteral("没有存储传真！\n"));
    EXPECT_EQ(profile::GetInt(ini, "FAX", "NUM", 0), 3);

    // The modem gone from COM1 (and no COM2): no modem.
    profile::WriteString(ini, "PORTS", "COM1", demo + "no-such-device");
    profile::WriteString(ini, "PORTS", "COM2", demo + "no-such-device-either");
    const Outcome absent = Faxdesk(readDemo);
    EXPECT_EQ(absent.status, 3);
    EXPECT_EQ(absent.out, QStringLiteral("检测调制解调器失败！\n"));
    // Standard error tells why, port by port, as the window's message does in its details.
    for (const char* port : {"COM1", "COM2"})
        EXPECT_TRUE(absent.err.contains(QString::fromUtf8(port) + QStringLiteral("（") + QString::fromStdString(demo)))
            << port << ": " << absent.err.toStdString();
    EXPECT_EQ(profile::GetInt(ini, "FAX", "NUM", 0), 3);
}

TEST_F(ReadCommandLine, HelpVersionAndMistakes) {
    const Outcome help = Faxdesk({QStringLiteral("--help")});
    EXPECT_EQ(help.status, 0);
    for (const char* text : {"--read-faxes", "--version", "--program-directory", "FAXDESK_PROGRAM_DIRECTORY",
                             "--time-limit", "退出状态", "10+n", "128+s"})
        EXPECT_TRUE(help.out.contains(QString::fromUtf8(text))) << text;
    const Outcome version = Faxdesk({QStringLiteral("--version")});
    EXPECT_EQ(version.status, 0);
    EXPECT_TRUE(version.out.startsWith(QStringLiteral("KorvelQuorraMODEM传真软件 "))) << version.out.toStdString();
    for (const QStringList& wrong :
         {QStringList{QStringLiteral("--no-such-option")}, QStringList{QStringLiteral("x")},
          QStringList{QStringLiteral("--read-faxes"), QStringLiteral("--program-directory=")},
          QStringList{QStringLiteral("--read-faxes"), QStringLiteral("--time-limit=soon")},
          QStringList{QStringLiteral("--read-faxes"), QStringLiteral("--time-limit=-5")}}) {
        const Outcome mistake = Faxdesk(wrong);
        EXPECT_EQ(mistake.status, 1);
        EXPECT_TRUE(mistake.out.isEmpty());
        EXPECT_TRUE(mistake.err.contains(QStringLiteral("--help")));
    }
}

} // namespace
