// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

// "关于...": the program's icon, its name and version, one more line, and "确定".
class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent = nullptr);
};
