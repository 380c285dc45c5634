// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Program.h"

#include "app/InstallDialog.h"
#include "app/MainWindow.h"
#include "app/ProgramDirectory.h"
#include "app/ReadHandOver.h"
#include "core/fax/FaxRecordStore.h"
#include "core/installation/Installation.h"
#include "ui/kit/AppTitles.h"
#include "ui/kit/MessageBoxService.h"
#include "ui/kit/Status.h"

#include <QApplication>
#include <QDir>
#include <QFile>

Program::Program(const AppServices& services) : m_services(services), m_instance(QString::fromUtf8(kInstanceName)) {}

Program::~Program() = default;

bool Program::StartUp() {
    // A second copy ends without a window and without a word; the first is not brought forward.
    // Without the lock no copy starts: two would share one modem.
    switch (m_instance.TryAcquire()) {
    case SingleInstance::Outcome::Acquired:
        break;
    case SingleInstance::Outcome::HeldElsewhere:
        return false;
    case SingleInstance::Outcome::Failed:
        m_services.messages.ShowWithDetails(nullptr, kNoLockMessage.toString(), MessageBoxService::Icon::Stop,
                                            m_instance.FailureReason());
        return false;
    }

    const QString program = QFile::decodeName(QByteArray::fromStdString(m_services.programPath));
    QString directory = QFile::decodeName(QByteArray::fromStdString(m_services.programDirectory));
    if (directory.size() > 1 && directory.endsWith(QLatin1Char('/')))
        directory.chop(1);
    // A launcher for a directory other than the usual one names it, so that it starts there again.
    QStringList launcherArguments;
    if (QDir::cleanPath(directory) != QDir::cleanPath(installation::InstallDirectory()))
        launcherArguments = {QStringLiteral("--") + startup::kDirectoryOption.toString(), directory};

    FaxRecordStore store;
    store.OpenStoreIn(m_services.programDirectory);
    if (installation::IsInstalled(store.IniPath())) {
        installation::RetireProgramCopy(program, directory, launcherArguments);
        return true;
    }

    InstallDialog install(program, directory, launcherArguments);
    const bool installed = install.exec() == QDialog::Accepted;
    m_services.messages.Show(nullptr, installed ? QStringLiteral("安装成功完成！") : QStringLiteral("请下次安装！"),
                             MessageBoxService::Icon::Exclamation);
    return false;
}

bool Program::ShowMainWindow() {
    m_window = std::make_unique<MainWindow>(m_services);
    m_window->show();
    m_window->repaint();
    m_window->setWindowTitle(titles::MainWindowTitle());
    m_window->StartAutomaticReading();
    // A command line started while the window runs hands its read over to it; where it cannot, the
    // status bar says so (such a command line then waits for the window to close).
    QString why;
    const QString name = handover::ServerName(QString::fromUtf8(kInstanceName), &why);
    if (!m_window->ServeReadRequests(name, &why))
        status::SetStatusText(QStringLiteral("命令行的读取请求无法交给本窗口：") + why);
    return true;
}

int Program::Run() {
    if (!StartUp() || !ShowMainWindow())
        return 0;
    return QApplication::exec();
}
