// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class QWidget;

// Every message the program shows goes through here: caption the application title, one OK
// button, and the stop or exclamation icon where one is named. Tests install a recorder, so they
// see which message was shown and never hang on a modal box.
class MessageBoxService {
public:
    enum class Icon { None, Stop, Exclamation };
    virtual ~MessageBoxService() = default;
    virtual void Show(QWidget* parent, const QString& text, Icon icon) = 0;
    // The same with `details` the user can unfold below the text (QMessageBox's detailed text).
    virtual void ShowWithDetails(QWidget* parent, const QString& text, Icon icon, const QString& details) = 0;
};

class QtMessageBoxService final : public MessageBoxService {
public:
    void Show(QWidget* parent, const QString& text, Icon icon) override { ShowWithDetails(parent, text, icon, {}); }
    void ShowWithDetails(QWidget* parent, const QString& text, Icon icon, const QString& details) override;
};
