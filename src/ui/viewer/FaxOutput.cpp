// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/viewer/FaxOutput.h"

#include "ui/kit/MessageBoxService.h"
#include "ui/viewer/FaxPageImages.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QPrinter>
#include <QStandardPaths>

#include <algorithm>

namespace faxoutput {

QRectF SheetRect(const QSizeF& trueSize, const QRectF& printable, double dpiX, double dpiY) {
    if (trueSize.isEmpty()) {
        return {};
    }
    const double inchesAcross = kMillimetresAcross / 25.4;
    QSizeF size(inchesAcross * dpiX, inchesAcross * trueSize.height() / trueSize.width() * dpiY);
    const double scale = std::min({1.0, printable.width() / size.width(), printable.height() / size.height()});
    size *= scale;
    return {printable.left() + (printable.width() - size.width()) / 2, printable.top(), size.width(), size.height()};
}

namespace {
// Qt's PDF engine (the printer's and the PDF printer's) keeps a page as a one-bit image only when
// its colour table is black then white; with any other it becomes a JPEG colour image: text
// blurred, the file twenty times the size. A fax page keeps white as zero, so its bits are turned
// round for the printer.
QImage ForPrinting(const QImage& page) {
    const QRgb black = qRgb(0, 0, 0);
    const QRgb white = qRgb(255, 255, 255);
    if (page.format() != QImage::Format_Mono || page.colorTable() != QList<QRgb>{white, black}) {
        return page;
    }
    QImage turned = page.copy();
    turned.invertPixels();
    turned.setColorTable({black, white});
    return turned;
}
} // namespace

bool PrintPages(QPrinter& printer, FaxPageImages& images, int from, int to) {
    QPainter painter;
    if (!painter.begin(&printer)) {
        return false;
    }
    // The painter's origin is the top left of the printable area.
    const QRectF printable(QPointF(0, 0), printer.pageRect(QPrinter::DevicePixel).size());
    for (int page = from; page <= to; ++page) {
        if (page > from && !printer.newPage()) {
            return false;
        }
        const QImage& image = images.Page(page - 1);
        if (!image.isNull()) {
            painter.drawImage(
                SheetRect(images.TrueSize(page - 1), printable, printer.logicalDpiX(), printer.logicalDpiY()),
                ForPrinting(image));
        }
    }
    return painter.end();
}

namespace {
QPrinter* NewPrinter(QPrinter& printer, const QString& documentName) {
    printer.setDocName(documentName);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageMargins(QMarginsF(5, 5, 5, 5), QPageLayout::Millimeter);
    return &printer;
}
} // namespace

bool PrintFax(QWidget* parent, DocumentDialogs& dialogs, MessageBoxService& messages, FaxPageImages& images,
              const QString& documentName) {
    QPrinter printer(QPrinter::HighResolution);
    NewPrinter(printer, documentName);
    const int count = images.PageCount();
    if (count == 0 || !dialogs.SetUpPrinter(parent, printer, count)) {
        return false;
    }
    const int from = std::clamp(printer.fromPage() > 0 ? printer.fromPage() : 1, 1, count);
    const int to = std::clamp(printer.toPage() > 0 ? printer.toPage() : count, from, count);
    if (!PrintPages(printer, images, from, to)) {
        messages.Show(parent, QStringLiteral("传真打印失败！"), MessageBoxService::Icon::None);
        return false;
    }
    return true;
}

void PreviewFax(QWidget* parent, DocumentDialogs& dialogs, FaxPageImages& images, const QString& documentName) {
    QPrinter printer(QPrinter::HighResolution);
    NewPrinter(printer, documentName);
    if (images.PageCount() == 0) {
        return;
    }
    dialogs.Preview(parent, printer, [&images](QPrinter* target) {
        const int count = images.PageCount();
        const int from = std::clamp(target->fromPage() > 0 ? target->fromPage() : 1, 1, count);
        const int to = std::clamp(target->toPage() > 0 ? target->toPage() : count, from, count);
        PrintPages(*target, images, from, to);
    });
}

bool ExportPdf(QWidget* parent, DocumentDialogs& dialogs, MessageBoxService& messages,
               const std::vector<FaxPdfSource>& faxes, const QString& suggested) {
    QString path =
        dialogs.ChooseSaveFile(parent, QStringLiteral("导出为PDF"), suggested, QStringLiteral("PDF文件 (*.pdf)"));
    if (path.isEmpty()) {
        return false;
    }
    if (!path.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive)) {
        path += QLatin1String(".pdf");
    }
    FaxPdfExport pdf;
    if (!pdf.Export(faxes, QFile::encodeName(path).toStdString())) {
        messages.Show(parent,
                      pdf.LastResult() == FaxPdfExport::kWritePdf
                          ? QStringLiteral("无法写入PDF文件：%1").arg(QDir::toNativeSeparators(path))
                          : QStringLiteral("传真文件已损坏或无法读取，无法导出为PDF！"),
                      MessageBoxService::Icon::None);
        return false;
    }
    return true;
}

QString SuggestedPdfPath(const QString& pageFile) {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QDir(folder).exists()) {
        folder = QDir::homePath();
    }
    return folder + QLatin1Char('/') + QFileInfo(pageFile).completeBaseName() + QLatin1String(".pdf");
}

} // namespace faxoutput
