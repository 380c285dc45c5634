// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMainWindow>

// Stands for the main window until the frame, menu and fax list are built.
class PlaceholderWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit PlaceholderWindow(QWidget* parent = nullptr);
};
