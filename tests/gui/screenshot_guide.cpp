// SPDX-License-Identifier: GPL-3.0-or-later
// Renders the user guide's pictures on the running X server: the main window after reading the
// demo's three faxes from the simulated modem, and each dialog as the user meets it.
//   faxdesk-guide-screenshots <output directory>
#include "GuiTestSupport.h"

#include "app/AutoReader.h"
#include "app/InstallDialog.h"
#include "app/MainWindow.h"
#include "app/TrayIcon.h"
#include "core/fax/AutoReadSettings.h"
#include "core/installation/Installation.h"
#include "support/SimModemFixture.h"
#include "support/TestSupport.h"
#include "ui/faxlist/FaxListView.h"
#include "ui/kit/AppTitles.h"
#include "ui/viewer/FaxViewerWindow.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QVBoxLayout>

#include <QEventLoop>

#include <functional>

namespace {

std::string Sample(const char* name) {
    return testsupport::ReadFile(std::string(FAXDESK_SAMPLES_DIR) + "/" + name);
}

// Modems report the sender's identification as its 20 characters, right-aligned.
std::string Tsi(const std::string& id) {
    return std::string(20 - id.size(), ' ') + id;
}

// What the X server shows of a window, saved as a PNG.
bool Shoot(QWidget* window, const QString& path) {
    const QRect area = window->frameGeometry();
    const QPixmap shot = window->screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height());
    return shot.save(path, "PNG");
}

// Runs `open` (which shows a modal dialog and returns when it is closed); while it is up, the
// dialog is photographed and closed.
bool ShootModal(const QString& path, const std::function<void()>& open) {
    bool saved = false;
    QTimer::singleShot(1200, [&] {
        if (QWidget* dialog = QApplication::activeModalWidget()) {
            saved = Shoot(dialog, path);
            dialog->close();
        }
    });
    open();
    return saved;
}

// Keeps what an automatic read told, for the notification's picture.
class KeepingNotifier final : public FaxNotifier {
public:
    void NewFaxes(const std::vector<retrieval::RecordedFax>& newFaxes) override { faxes = newFaxes; }
    void UnreadFaxes(int) override {}
    void ReadProblem(const QString&) override {}
    std::vector<retrieval::RecordedFax> faxes;
};

// The notification for new faxes as the desktop shows it, drawn by hand: a virtual X server has no
// system tray and no notification service to draw the real one. Icon (with its count of unread
// faxes), title and message are the program's own.
QWidget* NotificationPicture(const QIcon& icon, const std::vector<retrieval::RecordedFax>& faxes) {
    auto* frame = new QFrame(nullptr, Qt::Tool | Qt::FramelessWindowHint);
    frame->setFrameShape(QFrame::Box);
    frame->setStyleSheet(QStringLiteral("QFrame { background: #fdfdfd; border: 1px solid #9a9a9a; }"
                                        "QLabel { border: none; }"));
    auto* image = new QLabel(frame);
    image->setPixmap(icon.pixmap(48, 48));
    auto* title = new QLabel(TrayIcon::NewFaxesTitle(faxes.size()), frame);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    auto* message = new QLabel(TrayIcon::NewFaxesMessage(faxes), frame);
    auto* text = new QVBoxLayout;
    text->addWidget(title);
    text->addWidget(message);
    auto* layout = new QHBoxLayout(frame);
    layout->addWidget(image, 0, Qt::AlignTop);
    layout->addLayout(text);
    layout->setContentsMargins(12, 12, 16, 12);
    layout->setSpacing(12);
    return frame;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        qWarning("usage: faxdesk-guide-screenshots <output directory>");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));

    GuiFixture gui(QString{});
    // A few stored phone numbers, so the dialog shows what it is for.
    testsupport::WriteFile(gui.IniPath(), "[DEZAZAZE]\r\nINSTALL=1\r\nAt7z0=13912345678\r\nAt7z1=02155501234\r\n"
                                          "At7z4=057187654321\r\nAt7z68=LIN\r\nAt7z5=01066557788\r\nAt7z69=BERG\r\n");

    SimModemFixture sim;
    sim.time.SetProcessQtEvents(true);
    sim.com1.AddFax({Tsi("0571 8765 4322"), true, {Sample("letter.t4")}});
    sim.com1.AddFax({Tsi("021 5550 1234"), false, {Sample("form.t4")}});
    sim.com1.AddFax({Tsi("+86 10 6655 7788"), true, {Sample("report-1.t4"), Sample("report-2.t4")}});
    sim.com1.AddCall({"87654321", "09150825"});
    sim.com1.AddCall({"13912345678", "14301130"});
    sim.com1.AddCall({"057187654322", "08051209"});
    sim.com1.AddCall({"02155501234", "17421210"});
    const AppServices services{sim.time,
                               gui.wallClock,
                               sim.time,
                               sim.ports,
                               gui.messages,
                               gui.folders,
                               gui.shell,
                               gui.services.programPath,
                               gui.services.programDirectory};
    AutoReadSettings{true, 15}.Save(gui.IniPath());

    MainWindow frame(services);
    frame.setWindowTitle(titles::MainWindowTitle());
    frame.resize(720, 400);
    frame.move(10, 10);
    frame.show();
    // The three faxes come in by an automatic read, which tells of them.
    KeepingNotifier notifier;
    frame.AutoRead().SetNotifier(&notifier);
    frame.AutoRead().OnDue();
    frame.Tray().UnreadFaxes(frame.View()->UnreadCount());
    frame.View()->setFocus();
    QWidget* notification = NotificationPicture(frame.Tray().Icon().icon(), notifier.faxes);
    notification->move(740, 440);
    notification->show();

    bool ok = true;
    QTimer::singleShot(1500, [&] {
        ok &= Shoot(&frame, out.filePath(QStringLiteral("read-faxes.png")));
        ok &= ShootModal(out.filePath(QStringLiteral("settings-dialog.png")),
                         [&] { frame.Action(MenuCommand::ModemSettings)->trigger(); });
        ok &= ShootModal(out.filePath(QStringLiteral("phone-numbers-dialog.png")),
                         [&] { frame.Action(MenuCommand::PhoneNumbers)->trigger(); });
        ok &= ShootModal(out.filePath(QStringLiteral("caller-records-dialog.png")),
                         [&] { frame.Action(MenuCommand::CallerRecords)->trigger(); });
        ok &= ShootModal(out.filePath(QStringLiteral("about-box.png")),
                         [&] { frame.Action(MenuCommand::About)->trigger(); });
        ok &= ShootModal(out.filePath(QStringLiteral("auto-read-dialog.png")),
                         [&] { frame.Action(MenuCommand::AutoRead)->trigger(); });
        ok &= Shoot(notification, out.filePath(QStringLiteral("new-faxes-notification.png")));
        ok &= ShootModal(out.filePath(QStringLiteral("install-dialog.png")), [&] {
            InstallDialog install(QStringLiteral("/usr/bin/faxdesk"), installation::InstallDirectory());
            install.exec();
        });
        // The built-in viewer on the normal-resolution form: its lines shown at their true height.
        frame.View()->SelectRow(1);
        frame.Action(MenuCommand::PreviewFax)->trigger();
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (auto* viewer = qobject_cast<FaxViewerWindow*>(window)) {
                viewer->resize(760, 700);
                viewer->move(10, 10);
                QEventLoop settle;
                QTimer::singleShot(1500, &settle, &QEventLoop::quit);
                settle.exec();
                ok &= Shoot(viewer, out.filePath(QStringLiteral("fax-viewer.png")));
                viewer->close();
            }
        }
        app.quit();
    });
    app.exec();
    return ok ? 0 : 1;
}
