// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <string>
#include <vector>

struct FaxRecord;

// One fax to export: its page file and what the PDF says about it.
struct FaxPdfSource {
    std::string pageFile; // the page file's path in the file system's own spelling
    std::string title;    // GBK; the document title, and with several faxes the fax's bookmark
    std::string time;     // GBK; the record's "TIME" ("%Y/%m/%d  %H:%M:%S", local time)
};

// Writes fax page files as a PDF without decoding them: every fax page becomes one PDF page whose
// image is the page's T.4 data as it stands in the file, behind the CCITTFaxDecode filter. The PDF
// is thus about the size of the page files, and its pages are exactly the pixels of the fax. The
// page size follows from the page's resolution (1728 pixels at 200 per inch: 219.5 mm across).
class FaxPdfExport {
public:
    enum Result : int {
        kOk = 0,
        kPageFile = 1, // a page file cannot be read or passed on (FailedFax, PageFileResult)
        kWritePdf = 2, // the PDF cannot be created or written
    };

    // The source of one listed fax: its page file, a title of "传真", the sender ID and the time,
    // and the time as creation date.
    static FaxPdfSource SourceOfRecord(const FaxRecord& record);

    // One PDF of all `faxes` in their order; with more than one, each fax gets a bookmark on its
    // first page. The PDF is written beside `pdfPath` and renamed over it when it is complete, so
    // a failure leaves any earlier file of that name as it was.
    bool Export(const std::vector<FaxPdfSource>& faxes, const std::string& pdfPath);

    int LastResult() const { return m_result; }
    // Where the last Export failed with kPageFile: the index in `faxes` of that page file, and its
    // FaxPageFile::Result.
    size_t FailedFax() const { return m_failedFax; }
    int PageFileResult() const { return m_pageFileResult; }

private:
    int m_result = kOk;
    size_t m_failedFax = 0;
    int m_pageFileResult = 0;
};
