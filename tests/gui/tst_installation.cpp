// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up: the installation mark, the installation into a temporary home, the closing messages,
// and the refusal of a second copy (real processes of the program).
#include "GuiTestSupport.h"

#include "app/CommandLine.h"
#include "app/InstallDialog.h"
#include "app/Program.h"
#include "app/ProgramDirectory.h"
#include "core/installation/Installation.h"
#include "core/platform/ProfileFile.h"

#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QProcessEnvironment>
#include <QPushButton>
#include <QtTest>

#include <sys/stat.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {
const QString kOldCopyName = QStringLiteral("KorvelQuorraMODEM传真处理程序.EXE");
const QString kLauncherName = QStringLiteral("KorvelQuorraMODEM传真处理程序.desktop");

// The fixture's services with the program directory `directory` (with its trailing '/').
AppServices WithDirectory(const GuiFixture& fixture, const QString& directory) {
    const AppServices& s = fixture.services;
    return AppServices{s.clock, s.wallClock,   s.pump,
                       s.ports, s.messages,    s.folders,
                       s.shell, s.programPath, QFile::encodeName(directory).toStdString()};
}

QString LauncherText(const QString& home) {
    QFile launcher(home + QStringLiteral("/Desktop/KorvelQuorraMODEM传真处理程序.desktop"));
    return launcher.open(QIODevice::ReadOnly) ? QString::fromUtf8(launcher.readAll()) : QString();
}

// A stand-in for the running program: a small executable file beside the fixture.
QString MakeProgram(const GuiFixture& fixture) {
    const QString path = QString::fromStdString(fixture.services.programPath);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write("#!/bin/sh\nexit 0\n");
    file.close();
    file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
    return path;
}

// Whether another process holds the single-instance lock in `runtimeDir`.
bool LockHeldElsewhere(const QString& runtimeDir) {
    const QByteArray path = QFile::encodeName(runtimeDir + QStringLiteral("/KorvelQuorraMODEM传真.lock"));
    const int fd = ::open(path.constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
    ::close(fd);
    return held;
}
} // namespace

class TestInstallation : public QObject {
    Q_OBJECT
    QTemporaryDir m_home;

    void ClickOnNextModal(const char* button) {
        QTimer::singleShot(0, [button] {
            QTRY_VERIFY(QApplication::activeModalWidget());
            QApplication::activeModalWidget()->findChild<QPushButton*>(QLatin1String(button))->click();
        });
    }

private slots:
    void initTestCase() {
        // Home, desktop and runtime directory of a user who has never installed anything.
        qputenv("HOME", QFile::encodeName(m_home.path()));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home.filePath(QStringLiteral(".config"))));
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_home.path()));
    }

    void init() {
        QDir(m_home.filePath(QStringLiteral("KORVEL QUORRA"))).removeRecursively();
        QDir(m_home.filePath(QStringLiteral("Desktop"))).removeRecursively();
    }

    void installationMark_data() {
        QTest::addColumn<QByteArray>("value"); // null: the key absent
        QTest::addColumn<bool>("installed");
        QTest::newRow("absent") << QByteArray() << false;
        QTest::newRow("NULL") << QByteArray("NULL") << false;
        QTest::newRow("1") << QByteArray("1") << true;
        QTest::newRow("0") << QByteArray("0") << true;
        QTest::newRow("null in lower case") << QByteArray("null") << true;
        QTest::newRow("empty") << QByteArray("") << true;
    }
    void installationMark() {
        QFETCH(QByteArray, value);
        QFETCH(bool, installed);
        GuiFixture fixture(QStringLiteral("no-faxes.ini"));
        profile::DeleteKey(fixture.IniPath(), "DEZAZAZE", "INSTALL");
        if (!value.isNull())
            profile::WriteString(fixture.IniPath(), "DEZAZAZE", "INSTALL", value.toStdString());
        QCOMPARE(installation::IsInstalled(fixture.IniPath()), installed);
    }

    void dialogControls() {
        InstallDialog dialog(QStringLiteral("/nowhere/faxdesk"), m_home.filePath(QStringLiteral("KORVEL QUORRA")));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("安装"));
        auto* path = dialog.findChild<QLineEdit*>(QStringLiteral("editInstallPath"));
        QVERIFY(path && path->isReadOnly());
        QCOMPARE(path->property("controlId").toInt(), 1029);
        QCOMPARE(path->text(), m_home.filePath(QStringLiteral("KORVEL QUORRA")));
        auto* install = dialog.findChild<QPushButton*>(QStringLiteral("buttonInstall"));
        auto* quit = dialog.findChild<QPushButton*>(QStringLiteral("buttonQuit"));
        QCOMPARE(install->text(), QStringLiteral("安装(&S)"));
        QVERIFY(install->isDefault());
        QCOMPARE(quit->text(), QStringLiteral("退出(&E)"));
        // Dialog units: the install button lies left of the quit button on the same line, the
        // path field below the label.
        QVERIFY(install->geometry().right() < quit->geometry().left());
        QCOMPARE(install->y(), quit->y());
        QVERIFY(dialog.findChild<QLabel*>(QStringLiteral("staticPathLabel"))->geometry().bottom() < path->y());
    }

    // Not installed: the dialog; "安装(&S)" makes the program directory, the launcher that starts
    // the running program and the mark, copies nothing, says "安装成功完成！" and ends. The next start
    // is a normal one.
    void installFromTheApplication() {
        const mode_t sessionMask = ::umask(022);
        GuiFixture fixture{QString()};
        const QString program = MakeProgram(fixture);
        const QString dir = m_home.filePath(QStringLiteral("KORVEL QUORRA"));
        const AppServices services = WithDirectory(fixture, dir + QLatin1Char('/'));
        {
            Program app(services);
            ClickOnNextModal("buttonInstall");
            QVERIFY(!app.StartUp());
            QVERIFY(!app.Window());
        }
        QCOMPARE(fixture.messages.shown.size(), size_t(1));
        QCOMPARE(fixture.messages.shown[0].text, QStringLiteral("安装成功完成！"));
        QCOMPARE(fixture.messages.shown[0].icon, MessageBoxService::Icon::Exclamation);

        QCOMPARE(QDir(dir).entryList(QDir::Files), QStringList{QStringLiteral("RERAVA.INI")}); // no copy
        // The faxes' folder is its user's alone, though the session lets others read what it makes.
        QCOMPARE(QFileInfo(dir).permissions() & (QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther |
                                                 QFile::ExeOther | QFile::WriteGroup | QFile::WriteOther),
                 QFile::Permissions());
        const std::string ini = QFile::encodeName(dir + QStringLiteral("/RERAVA.INI")).toStdString();
        QCOMPARE(profile::GetString(ini, "DEZAZAZE", "INSTALL", "NULL"), std::string("1"));

        QFile launcher(m_home.filePath(QStringLiteral("Desktop/")) + kLauncherName);
        QVERIFY(QFileInfo(launcher).isExecutable());
        const QString text = LauncherText(m_home.path());
        QVERIFY2(text.startsWith(QStringLiteral("[Desktop Entry]\n")), qPrintable(text));
        QVERIFY(text.contains(QStringLiteral("\nType=Application\n")));
        QVERIFY2(text.contains(QStringLiteral("\nExec=\"%1\"\n").arg(program)), qPrintable(text));
        QVERIFY(text.contains(QStringLiteral("\nPath=%1\n").arg(dir)));

        Program installed(services);
        QVERIFY(installed.StartUp());
        QCOMPARE(fixture.messages.shown.size(), size_t(1));
        ::umask(sessionMask);
    }

    // Installed into another directory (the option or the variable named it): the launcher names it
    // too, so that the program starts there again.
    void launcherNamesAnotherDirectory() {
        GuiFixture fixture{QString()};
        const QString program = MakeProgram(fixture);
        const AppServices services = WithDirectory(fixture, fixture.Dir() + QLatin1Char('/'));
        Program app(services);
        ClickOnNextModal("buttonInstall");
        QVERIFY(!app.StartUp());
        QVERIFY(installation::IsInstalled(fixture.IniPath()));
        const QString text = LauncherText(m_home.path());
        QVERIFY2(
            text.contains(QStringLiteral("\nExec=\"%1\" \"--program-directory\" \"%2\"\n").arg(program, fixture.Dir())),
            qPrintable(text));
        QVERIFY(!QFileInfo::exists(m_home.filePath(QStringLiteral("KORVEL QUORRA"))));
    }

    // An earlier version's installation: a program copy in the directory and a launcher that starts
    // it. The next start is a normal one; the launcher starts the running program from then on, the
    // copy is deleted, the records and faxes stay.
    void earlierInstallationWithAProgramCopy() {
        GuiFixture fixture{QString()};
        const QString program = MakeProgram(fixture);
        const QDir dir(m_home.filePath(QStringLiteral("KORVEL QUORRA")));
        QVERIFY(dir.mkpath(QStringLiteral(".")));
        const QString copy = dir.filePath(kOldCopyName);
        QVERIFY(QFile::copy(program, copy));
        const std::string ini = QFile::encodeName(dir.filePath(QStringLiteral("RERAVA.INI"))).toStdString();
        testsupport::WriteFile(ini, "[DEZAZAZE]\r\nINSTALL=1\r\n[FAX]\r\nNUM=1\r\n[FAX1]\r\nFILE=x\r\n");
        testsupport::WriteFile(QFile::encodeName(dir.filePath(QStringLiteral("20261201080000.TIF"))).toStdString(),
                               "II*");
        QVERIFY(installation::CreateDesktopShortcut(installation::ShortcutBaseName(), copy, dir.path()));
        const std::string iniBefore = testsupport::ReadFile(ini);

        const AppServices services = WithDirectory(fixture, dir.path() + QLatin1Char('/'));
        Program app(services);
        QVERIFY(app.StartUp());
        QVERIFY(fixture.messages.shown.empty());
        QVERIFY(!QFileInfo::exists(copy));
        QVERIFY(QFileInfo::exists(dir.filePath(QStringLiteral("20261201080000.TIF"))));
        QCOMPARE(testsupport::ReadFile(ini), iniBefore);
        const QString text = LauncherText(m_home.path());
        QVERIFY2(text.contains(QStringLiteral("\nExec=\"%1\"\n").arg(program)), qPrintable(text));

        // A launcher the user pointed elsewhere is left alone; only the copy goes.
        QVERIFY(QFile::copy(program, copy));
        QVERIFY(installation::CreateDesktopShortcut(installation::ShortcutBaseName(), QStringLiteral("/opt/other"),
                                                    dir.path()));
        QVERIFY(installation::RetireProgramCopy(program, dir.path()));
        QVERIFY(LauncherText(m_home.path()).contains(QStringLiteral("Exec=\"/opt/other\"")));
        QVERIFY(!QFileInfo::exists(copy));
    }

    // Where the program keeps its files: "~/KORVEL QUORRA" unless the option or the environment
    // variable names another directory; the option wins.
    void programDirectory_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("variable"); // null: not set
        QTest::addColumn<QString>("expected"); // "~" stands for the home directory

        QTest::newRow("usual") << QStringList{QStringLiteral("faxdesk")} << QString()
                               << QStringLiteral("~/KORVEL QUORRA/");
        QTest::newRow("option") << QStringList{QStringLiteral("faxdesk"), QStringLiteral("--program-directory"),
                                               QStringLiteral("/srv/fax")}
                                << QString() << QStringLiteral("/srv/fax/");
        QTest::newRow("option with a read")
            << QStringList{QStringLiteral("faxdesk"), QStringLiteral("--read-faxes"),
                           QStringLiteral("--program-directory"), QStringLiteral("/srv/fax")}
            << QString() << QStringLiteral("/srv/fax/");
        QTest::newRow("option with =") << QStringList{QStringLiteral("faxdesk"),
                                                      QStringLiteral("--program-directory=/srv/传真/")}
                                       << QString() << QStringLiteral("/srv/传真/");
        QTest::newRow("variable") << QStringList{QStringLiteral("faxdesk")} << QStringLiteral("/var/demo")
                                  << QStringLiteral("/var/demo/");
        QTest::newRow("option wins") << QStringList{QStringLiteral("faxdesk"), QStringLiteral("--program-directory"),
                                                    QStringLiteral("/a")}
                                     << QStringLiteral("/b") << QStringLiteral("/a/");
        QTest::newRow("empty variable") << QStringList{QStringLiteral("faxdesk")} << QStringLiteral("")
                                        << QStringLiteral("~/KORVEL QUORRA/");
        QTest::newRow("relative") << QStringList{QStringLiteral("faxdesk"), QStringLiteral("--program-directory=rel")}
                                  << QString() << QDir::currentPath() + QStringLiteral("/rel/");
    }
    void programDirectory() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, variable);
        QFETCH(QString, expected);
        QProcessEnvironment environment;
        if (!variable.isNull())
            environment.insert(startup::kDirectoryVariable.toString(), variable);
        expected.replace(QStringLiteral("~"), m_home.path());
        // The option as the command line's parser reads it, beside the others.
        const CommandLine commandLine = ParseCommandLine(arguments);
        QCOMPARE(commandLine.action, arguments.contains(QStringLiteral("--read-faxes")) ? CommandLine::Action::ReadFaxes
                                                                                        : CommandLine::Action::Window);
        QCOMPARE(startup::ProgramDirectory(commandLine.programDirectory, environment), expected);
    }

    void quitInstallsNothing() {
        GuiFixture fixture{QString()};
        MakeProgram(fixture);
        Program app(fixture.services);
        ClickOnNextModal("buttonQuit");
        QVERIFY(!app.StartUp());
        QCOMPARE(fixture.messages.shown.size(), size_t(1));
        QCOMPARE(fixture.messages.shown[0].text, QStringLiteral("请下次安装！"));
        QCOMPARE(fixture.messages.shown[0].icon, MessageBoxService::Icon::Exclamation);
        QVERIFY(!QFileInfo::exists(m_home.filePath(QStringLiteral("KORVEL QUORRA"))));
        QVERIFY(!QFileInfo::exists(m_home.filePath(QStringLiteral("Desktop/")) + kLauncherName));
        QVERIFY(!QFileInfo::exists(fixture.Dir() + QStringLiteral("/RERAVA.INI")));
    }

    void installedStartsNormally() {
        GuiFixture fixture(QStringLiteral("no-faxes.ini"));
        Program app(fixture.services);
        QVERIFY(app.StartUp());
        QVERIFY(fixture.messages.shown.empty());
    }

    // Real processes: a copy that shows its installation dialog holds the lock; a second copy
    // ends at once with exit code 0; after the first is killed the lock is free again.
    void secondCopyEndsSilently() {
        QTemporaryDir place;
        const QString program = place.filePath(QStringLiteral("faxdesk"));
        QVERIFY(QFile::copy(QStringLiteral(FAXDESK_EXECUTABLE), program));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("HOME"), place.path());
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), place.path());

        QProcess first;
        first.setProcessEnvironment(env);
        first.start(program, {});
        QVERIFY(first.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(LockHeldElsewhere(place.path()), 20000);
        QCOMPARE(first.state(), QProcess::Running);

        QProcess second;
        second.setProcessEnvironment(env);
        second.start(program, {});
        QVERIFY(second.waitForFinished(20000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QCOMPARE(second.readAllStandardOutput(), QByteArray());
        QCOMPARE(first.state(), QProcess::Running);
        QVERIFY(!QFileInfo::exists(place.filePath(QStringLiteral("KORVEL QUORRA"))));

        // A crash releases the lock.
        first.kill();
        QVERIFY(first.waitForFinished(10000));
        QVERIFY(!LockHeldElsewhere(place.path()));
        QProcess third;
        third.setProcessEnvironment(env);
        third.start(program, {});
        QTRY_VERIFY_WITH_TIMEOUT(LockHeldElsewhere(place.path()), 20000);
        third.kill();
        third.waitForFinished(10000);
    }
};

QTEST_MAIN(TestInstallation)
#include "tst_installation.moc"
