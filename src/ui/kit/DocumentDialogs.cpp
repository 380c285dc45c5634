// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/kit/DocumentDialogs.h"

#include "ui/kit/AppServices.h"

#include <QFileDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>

bool QtDocumentDialogs::SetUpPrinter(QWidget* parent, QPrinter& printer, int pageCount) {
    QPrintDialog dialog(&printer, parent);
    dialog.setMinMax(1, pageCount);
    dialog.setOptions(QAbstractPrintDialog::PrintPageRange | QAbstractPrintDialog::PrintToFile |
                      QAbstractPrintDialog::PrintShowPageSize);
    return dialog.exec() == QDialog::Accepted;
}

void QtDocumentDialogs::Preview(QWidget* parent, QPrinter& printer, const std::function<void(QPrinter*)>& paint) {
    QPrintPreviewDialog preview(&printer, parent);
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview, paint);
    preview.exec();
}

QString QtDocumentDialogs::ChooseSaveFile(QWidget* parent, const QString& title, const QString& suggested,
                                          const QString& filter) {
    return QFileDialog::getSaveFileName(parent, title, suggested, filter);
}

DocumentDialogs& Documents(const AppServices& services) {
    static QtDocumentDialogs qtDialogs; // stateless
    return services.documents != nullptr ? *services.documents : qtDialogs;
}
