// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/kit/FolderChooser.h"

#include <QFileDialog>

QString QtFolderChooser::ChooseFolder(QWidget* parent, const QString& title) {
    return QFileDialog::getExistingDirectory(parent, title, QString(), QFileDialog::ShowDirsOnly);
}

QString QtFolderChooser::ChooseFile(QWidget* parent, const QString& title) {
    return QFileDialog::getOpenFileName(parent, title);
}
