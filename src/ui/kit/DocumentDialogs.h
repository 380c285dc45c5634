// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <functional>

class QPrinter;
class QWidget;
struct AppServices;

// The print dialog, the print preview and the save dialog, behind a seam so that tests pre-answer
// them and never wait on a modal dialog.
class DocumentDialogs {
public:
    virtual ~DocumentDialogs() = default;
    // Lets the user choose printer, paper, page range and copies; false when cancelled.
    virtual bool SetUpPrinter(QWidget* parent, QPrinter& printer, int pageCount) = 0;
    // Shows the preview of what `paint` prints, with its own print button.
    virtual void Preview(QWidget* parent, QPrinter& printer, const std::function<void(QPrinter*)>& paint) = 0;
    // The path to save to (`suggested` first), or an empty string when cancelled.
    virtual QString ChooseSaveFile(QWidget* parent, const QString& title, const QString& suggested,
                                   const QString& filter) = 0;
};

// Qt's own dialogs. Keeps no state.
class QtDocumentDialogs final : public DocumentDialogs {
public:
    bool SetUpPrinter(QWidget* parent, QPrinter& printer, int pageCount) override;
    void Preview(QWidget* parent, QPrinter& printer, const std::function<void(QPrinter*)>& paint) override;
    QString ChooseSaveFile(QWidget* parent, const QString& title, const QString& suggested,
                           const QString& filter) override;
};

// The services' document dialogs, or Qt's own where none were handed down.
DocumentDialogs& Documents(const AppServices& services);
