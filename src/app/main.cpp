// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CFAXDESKApp.h"
#include "app/DesktopShell.h"
#include "gui/DocumentDialogs.h"
#include "gui/FolderChooser.h"
#include "gui/MessageBoxService.h"
#include "platform/EventPump.h"
#include "platform/ProgramIni.h"
#include "platform/QtSerialBackend.h"

#include <QApplication>
#include <QFile>

int main(int argc, char** argv) {
    QApplication app(argc, argv);

    // Paths in the core are the file system's own bytes (UTF-8 on Linux).
    const QString program = QCoreApplication::applicationFilePath();
    const std::string programPath = QFile::encodeName(program).toStdString();
    const std::string iniPath = programini::PathBeside(programPath);

    SteadyClock clock;
    SystemWallClock wallClock;
    QtEventPump pump;
    QtSerialBackendFactory ports{PortMap(iniPath)};
    QtMessageBoxService messages;
    QtFolderChooser folders;
    DesktopShell shell;
    QtDocumentDialogs documents;
    const AppServices services{clock, wallClock, pump, ports, messages, folders, shell, programPath, &documents};

    CFAXDESKApp faxdesk(services);
    return faxdesk.Run();
}
