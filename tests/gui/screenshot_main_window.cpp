// SPDX-License-Identifier: GPL-3.0-or-later
// Shows the main window with three faxes, the second selected, on the running X server and saves
// what the server shows of it as a PNG: faxdesk-screenshot <output.png>
#include "GuiTestSupport.h"

#include "app/MainWindow.h"
#include "ui/faxlist/FaxListView.h"
#include "ui/kit/AppTitles.h"

#include <QApplication>
#include <QScreen>
#include <QTimer>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        qWarning("usage: faxdesk-screenshot <output.png>");
        return 2;
    }
    const QString output = QString::fromLocal8Bit(argv[1]);
    GuiFixture fixture(QStringLiteral("three-faxes.ini"));
    MainWindow frame(fixture.services);
    frame.setWindowTitle(titles::MainWindowTitle());
    frame.resize(700, 360);
    frame.move(10, 10);
    frame.show();
    frame.View()->SelectRow(1);
    frame.View()->setFocus();

    int result = 1;
    QTimer::singleShot(1500, [&] {
        const QRect area = frame.frameGeometry();
        const QPixmap shot = frame.screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height());
        result = shot.save(output, "PNG") ? 0 : 1;
        app.quit();
    });
    app.exec();
    return result;
}
