// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class QWidget;

// The folder and file browsers, behind a seam so that tests pre-answer them.
class FolderChooser {
public:
    virtual ~FolderChooser() = default;
    // The chosen folder, or an empty string when the user cancelled.
    virtual QString ChooseFolder(QWidget* parent, const QString& title) = 0;
    // The chosen file, or an empty string when the user cancelled.
    virtual QString ChooseFile(QWidget* parent, const QString& title) = 0;
};

class QtFolderChooser final : public FolderChooser {
public:
    QString ChooseFolder(QWidget* parent, const QString& title) override;
    QString ChooseFile(QWidget* parent, const QString& title) override;
};
