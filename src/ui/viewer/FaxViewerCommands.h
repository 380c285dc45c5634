// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

struct AppServices;
struct FaxRecord;
class QWidget;

// The commands of the built-in viewer on one listed fax, called by the fax list's handlers. Each
// returns true when it did what it was asked (the list then marks the fax read, as viewing does);
// what went wrong is shown to the user, a cancelled dialog is not.

// "传真预览(&V)": the viewer window of the fax (OpenFaxViewer); true when its pages could be read.
bool PreviewFaxCommand(const FaxRecord& record, const AppServices& services, QWidget* parent);
// "打印传真(&P)...": the print dialog, then each page on its own sheet at its real size.
bool PrintFaxCommand(const FaxRecord& record, const AppServices& services, QWidget* parent);
// "导出为PDF(&X)...": the save dialog, then the PDF with the fax's own coded pages.
bool ExportPdfCommand(const FaxRecord& record, const AppServices& services, QWidget* parent);
