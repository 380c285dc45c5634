// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/PlaceholderWindow.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    PlaceholderWindow window;
    window.show();
    return app.exec();
}
