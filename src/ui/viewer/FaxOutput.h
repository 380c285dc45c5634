// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/fax/FaxPdfExport.h"
#include "ui/kit/DocumentDialogs.h"

#include <QString>

#include <vector>

class FaxPageImages;
class MessageBoxService;
class QPrinter;
class QRectF;
class QSizeF;
class QWidget;

namespace faxoutput {
// Fax paper: 1728 pixels are 215 mm across.
constexpr double kMillimetresAcross = 215.0;

// Where a page of `trueSize` (image pixels, lines already stretched to the true aspect) goes on a
// sheet whose printable area is `printable` (device pixels at `dpi`): at its real size, scaled down
// only as far as the area needs, centred across and at the top.
QRectF SheetRect(const QSizeF& trueSize, const QRectF& printable, double dpiX, double dpiY);
// Prints pages `from` to `to` (from 1, inclusive) one per sheet; false when the printer fails.
bool PrintPages(QPrinter& printer, FaxPageImages& images, int from, int to);
// Print dialog, then printing; false when cancelled or failed (a failure is shown).
bool PrintFax(QWidget* parent, DocumentDialogs& dialogs, MessageBoxService& messages, FaxPageImages& images,
              const QString& documentName);
void PreviewFax(QWidget* parent, DocumentDialogs& dialogs, FaxPageImages& images, const QString& documentName);
// Save dialog, then the export of `faxes` into one PDF; false when cancelled or failed (a failure
// is shown). `suggested` is the path offered first.
bool ExportPdf(QWidget* parent, DocumentDialogs& dialogs, MessageBoxService& messages,
               const std::vector<FaxPdfSource>& faxes, const QString& suggested);
// The PDF name offered for a page file: its base name with ".pdf", in the user's documents.
QString SuggestedPdfPath(const QString& pageFile);
} // namespace faxoutput
