// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CommandLine.h"
#include "app/DesktopShell.h"
#include "app/Program.h"
#include "app/ProgramDirectory.h"
#include "app/QtChinese.h"
#include "core/platform/EventPump.h"
#include "core/platform/PrivateFiles.h"
#include "core/platform/ProgramIni.h"
#include "core/platform/QtSerialBackend.h"
#include "ui/kit/DocumentDialogs.h"
#include "ui/kit/FolderChooser.h"
#include "ui/kit/MessageBoxService.h"

#include <QApplication>
#include <QFile>
#include <QProcessEnvironment>
#include <QTextStream>

#include <cstdio>

namespace {
// The running program's full path, as the file system spells it.
std::string ProgramPath() {
    return QFile::encodeName(QCoreApplication::applicationFilePath()).toStdString();
}
} // namespace

int main(int argc, char** argv) {
    KeepNewFilesPrivate();
    // The command line is looked at before any window system is opened: a read from the command
    // line (a timer of the system, a terminal without display) needs none.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const CommandLine commandLine = ParseCommandLine(arguments);
    if (commandLine.action == CommandLine::Action::Exit) {
        QTextStream(commandLine.outputIsError ? stderr : stdout) << commandLine.output;
        return commandLine.exitStatus;
    }
    // Paths in the core are the file system's own bytes (UTF-8 on Linux).
    const std::string programDirectory =
        QFile::encodeName(
            startup::ProgramDirectory(commandLine.programDirectory, QProcessEnvironment::systemEnvironment()))
            .toStdString();
    if (commandLine.action == CommandLine::Action::ReadFaxes) {
        QCoreApplication app(argc, argv);
        QTextStream out(stdout);
        QTextStream err(stderr);
        const bool directoryNamed =
            !commandLine.programDirectory.isNull() ||
            QProcessEnvironment::systemEnvironment().contains(startup::kDirectoryVariable.toString());
        return RunCommandLineRead(programDirectory, directoryNamed, commandLine.timeLimitMinutes, out, err);
    }

    QApplication app(argc, argv);
    InstallQtChinese(app);

    const std::string programPath = ProgramPath();

    SteadyClock clock;
    SystemWallClock wallClock;
    QtEventPump pump;
    QtSerialBackendFactory ports{PortMap(programini::PathIn(programDirectory))};
    QtMessageBoxService messages;
    QtFolderChooser folders;
    DesktopShell shell;
    QtDocumentDialogs documents;
    const AppServices services{clock,       wallClock,        pump,      ports, messages, folders, shell,
                               programPath, programDirectory, &documents};

    Program faxdesk(services);
    return faxdesk.Run();
}
