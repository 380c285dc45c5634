// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/PlaceholderWindow.h"

#include "app/AppTitles.h"

#include <QStatusBar>

PlaceholderWindow::PlaceholderWindow(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(titles::MainWindowTitle());
    statusBar()->showMessage(titles::ApplicationTitle());
    resize(640, 400);
}
