// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/fax/FaxPdfExport.h"

#include "core/fax/FaxPageFile.h"
#include "core/fax/FaxRecordStore.h"
#include "core/platform/DurableFile.h"
#include "core/platform/Gbk.h"

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QString>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr double kPointsPerInch = 72.0;
// A fax page without any line (only its RTC came through) still gets a sheet: a blank A4 length.
constexpr double kBlankPageHeight = 841.89;

// A PDF text string: UTF-16BE with its byte order mark, in hexadecimal.
QByteArray TextString(const QString& text) {
    QByteArray utf16 = "\xfe\xff";
    for (const QChar c : text) {
        utf16 += static_cast<char>(c.unicode() >> 8);
        utf16 += static_cast<char>(c.unicode() & 0xff);
    }
    return '<' + utf16.toHex() + '>';
}

// "2000/08/15  09:05:00" (local time) as a PDF date with the local offset from UTC; empty when the
// text is not such a time.
QByteArray PdfDate(const std::string& time) {
    const QDateTime local = QDateTime::fromString(QString::fromLatin1(time.data(), static_cast<qsizetype>(time.size())),
                                                  QStringLiteral("yyyy/MM/dd  HH:mm:ss"));
    if (!local.isValid()) {
        return {};
    }
    const int offset = local.offsetFromUtc() / 60;
    char zone[16];
    std::snprintf(zone, sizeof zone, "%c%02d'%02d'", offset < 0 ? '-' : '+', std::abs(offset) / 60,
                  std::abs(offset) % 60);
    return "(D:" + local.toString(QStringLiteral("yyyyMMddHHmmss")).toLatin1() + zone + ')';
}

QByteArray Number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.4f", value);
    return text;
}

QByteArray Ref(int object) {
    return QByteArray::number(object) + " 0 R";
}

// Collects the numbered objects of one PDF and the byte offset of each.
class PdfWriter {
public:
    PdfWriter() { m_out = "%PDF-1.4\n%\xe2\xe3\xcf\xd3\n"; }
    int Reserve() {
        m_offsets.push_back(0);
        return static_cast<int>(m_offsets.size());
    }
    void Object(int number, const QByteArray& body) {
        m_offsets[number - 1] = m_out.size();
        m_out += QByteArray::number(number) + " 0 obj\n" + body + "\nendobj\n";
    }
    void Stream(int number, const QByteArray& dictionary, const char* data, size_t size) {
        m_offsets[number - 1] = m_out.size();
        m_out += QByteArray::number(number) + " 0 obj\n<< " + dictionary + " /Length " +
                 QByteArray::number(static_cast<qulonglong>(size)) + " >>\nstream\n";
        m_out.append(data, static_cast<qsizetype>(size));
        m_out += "\nendstream\nendobj\n";
    }
    QByteArray Finish(int root, int info) {
        const qsizetype xref = m_out.size();
        m_out += "xref\n0 " + QByteArray::number(m_offsets.size() + 1) + "\n0000000000 65535 f \n";
        for (const qsizetype offset : m_offsets) {
            char line[24];
            std::snprintf(line, sizeof line, "%010lld 00000 n \n", static_cast<long long>(offset));
            m_out += line;
        }
        m_out += "trailer\n<< /Size " + QByteArray::number(m_offsets.size() + 1) + " /Root " + Ref(root) + " /Info " +
                 Ref(info) + " >>\nstartxref\n" + QByteArray::number(xref) + "\n%%EOF\n";
        return std::move(m_out);
    }
    void ReserveBytes(qsizetype bytes) { m_out.reserve(bytes); }

private:
    QByteArray m_out;
    std::vector<qsizetype> m_offsets;
};

} // namespace

FaxPdfSource FaxPdfExport::SourceOfRecord(const FaxRecord& record) {
    std::string title = gbk::ToStd(QStringLiteral("传真"));
    if (!record.id.empty()) {
        title += ' ' + record.id;
    }
    title += ' ' + record.time;
    return {gbk::ToNativePath(record.file), title, record.time};
}

bool FaxPdfExport::Export(const std::vector<FaxPdfSource>& faxes, const std::string& pdfPath) {
    m_result = kOk;
    m_failedFax = 0;
    m_pageFileResult = FaxPageFile::kOk;

    if (faxes.empty()) {
        m_result = kPageFile;
        m_pageFileResult = FaxPageFile::kNoPages;
        return false;
    }
    // Every page file is read before anything is written: a file that fails leaves no PDF behind.
    std::vector<FaxPageFile> files(faxes.size());
    qsizetype totalBytes = 0;
    for (size_t i = 0; i < faxes.size(); ++i) {
        if (!files[i].Read(faxes[i].pageFile)) {
            m_result = kPageFile;
            m_failedFax = i;
            m_pageFileResult = files[i].LastResult();
            return false;
        }
        totalBytes += static_cast<qsizetype>(files[i].m_data.size());
    }

    PdfWriter pdf;
    pdf.ReserveBytes(totalBytes + 4096);
    const int catalog = pdf.Reserve();
    const int pages = pdf.Reserve();
    const int info = pdf.Reserve();
    const bool bookmarks = faxes.size() > 1;
    const int outlines = bookmarks ? pdf.Reserve() : 0;

    QByteArray kids;
    int pageCount = 0;
    std::vector<int> firstPageOfFax;
    for (const FaxPageFile& file : files) {
        for (size_t p = 0; p < file.m_pages.size(); ++p) {
            const FaxPageFile::Page& page = file.m_pages[p];
            const int pageObject = pdf.Reserve();
            const int contents = pdf.Reserve();
            if (p == 0) {
                firstPageOfFax.push_back(pageObject);
            }
            kids += Ref(pageObject) + ' ';
            ++pageCount;

            const double width = page.width / page.xResolution * kPointsPerInch;
            const double height = page.rows == 0 ? kBlankPageHeight : page.rows / page.yResolution * kPointsPerInch;
            QByteArray resources = "<< >>";
            QByteArray drawing;
            if (page.rows != 0) {
                const int image = pdf.Reserve();
                const QByteArray columns = QByteArray::number(page.width);
                const QByteArray rows = QByteArray::number(page.rows);
                // K 0: one-dimensional T.4. Every line starts with an EOL, and with the TIFF's fill
                // bits each EOL ends on a byte boundary, so each line's code starts a byte. The
                // data ends after the last line without an RTC, hence EndOfBlock false: the
                // decoder stops after Rows lines. BlackIs1 false: white runs decode to 1 (white);
                // on a black-is-zero page the coded white runs are its black, so they decode to 0.
                const std::string data = file.PageData(p);
                pdf.Stream(image,
                           "/Type /XObject /Subtype /Image /Width " + columns + " /Height " + rows +
                               " /ColorSpace /DeviceGray /BitsPerComponent 1 /Filter /CCITTFaxDecode /DecodeParms << "
                               "/K 0 /Columns " +
                               columns + " /Rows " + rows + " /EndOfLine true /EncodedByteAlign " +
                               (page.byteAligned ? "true" : "false") + " /EndOfBlock false /BlackIs1 " +
                               (page.blackIsZero ? "true" : "false") + " >>",
                           data.data(), data.size());
                resources = "<< /XObject << /Im0 " + Ref(image) + " >> >>";
                drawing = "q " + Number(width) + " 0 0 " + Number(height) + " 0 0 cm /Im0 Do Q\n";
            }
            pdf.Stream(contents, {}, drawing.constData(), static_cast<size_t>(drawing.size()));
            pdf.Object(pageObject, "<< /Type /Page /Parent " + Ref(pages) + " /MediaBox [0 0 " + Number(width) + ' ' +
                                       Number(height) + "] /Resources " + resources + " /Contents " + Ref(contents) +
                                       " >>");
        }
    }
    pdf.Object(pages, "<< /Type /Pages /Kids [" + kids.trimmed() + "] /Count " + QByteArray::number(pageCount) + " >>");

    // With several faxes the newest one dates the document, and each has its bookmark.
    QString title;
    std::string newest;
    for (const FaxPdfSource& fax : faxes) {
        newest = std::max(newest, fax.time);
    }
    if (faxes.size() == 1) {
        title = gbk::ToQString(faxes[0].title);
    } else {
        title = QStringLiteral("传真 %1 份").arg(faxes.size());
    }
    if (bookmarks) {
        std::vector<int> items;
        for (size_t i = 0; i < faxes.size(); ++i) {
            items.push_back(pdf.Reserve());
        }
        for (size_t i = 0; i < faxes.size(); ++i) {
            QByteArray item = "<< /Title " + TextString(gbk::ToQString(faxes[i].title)) + " /Parent " + Ref(outlines) +
                              " /Dest [" + Ref(firstPageOfFax[i]) + " /Fit]";
            if (i > 0) {
                item += " /Prev " + Ref(items[i - 1]);
            }
            if (i + 1 < faxes.size()) {
                item += " /Next " + Ref(items[i + 1]);
            }
            pdf.Object(items[i], item + " >>");
        }
        pdf.Object(outlines, "<< /Type /Outlines /First " + Ref(items.front()) + " /Last " + Ref(items.back()) +
                                 " /Count " + QByteArray::number(items.size()) + " >>");
        pdf.Object(catalog, "<< /Type /Catalog /Pages " + Ref(pages) + " /Outlines " + Ref(outlines) +
                                " /PageMode /UseOutlines >>");
    } else {
        pdf.Object(catalog, "<< /Type /Catalog /Pages " + Ref(pages) + " >>");
    }
    QByteArray infoBody = "<< /Title " + TextString(title) + " /Creator (FAXDESK) /Producer (FAXDESK)";
    const QByteArray date = PdfDate(newest);
    if (!date.isEmpty()) {
        infoBody += " /CreationDate " + date;
    }
    pdf.Object(info, infoBody + " >>");

    const QByteArray bytes = pdf.Finish(catalog, info);
    DurableFile out(pdfPath);
    if (!out.Open() || !out.Write(bytes.constData(), static_cast<size_t>(bytes.size())) || !out.Commit()) {
        m_result = kWritePdf;
        return false;
    }
    return true;
}
