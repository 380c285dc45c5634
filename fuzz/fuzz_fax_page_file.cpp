// SPDX-License-Identifier: GPL-3.0-or-later
// A page file to show, print or export may be anything a user put in the program directory: any
// bytes must give a result code or a "damaged" page, never a crash, a hang, or memory out of all
// proportion to the file (run with -rss_limit_mb and -malloc_limit_mb, scripts/fuzz). Each input
// is parsed as the PDF export parses it (the pages of a file reported as readable must have their
// strips inside the file), exported to PDF, and opened as the viewer opens it, every page decoded
// in turn as the viewer and the printout ask for them.
#include "FuzzSupport.h"
#include "core/fax/FaxPageFile.h"
#include "core/fax/FaxPdfExport.h"
#include "ui/viewer/FaxPageImages.h"

#include <QFile>
#include <QString>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    FaxPageFile file;
    const bool parsed = file.Parse(bytes);
    if (parsed) {
        uint64_t strips = 0;
        for (size_t page = 0; page < file.m_pages.size(); ++page) {
            fuzzsupport::Check(file.PageData(page).size() == file.m_pages[page].StripBytes());
            strips += file.m_pages[page].StripBytes();
        }
        fuzzsupport::Check(strips <= size);
    }

    const std::string path = fuzzsupport::Dir() + "/page.tif";
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    // The export reads the file with the same parser: only a file it takes is worth exporting.
    FaxPdfExport pdf;
    if (parsed && pdf.Export({{path, "FAX", "2000/08/15  09:05:00"}}, fuzzsupport::Dir() + "/page.pdf")) {
        // The PDF is the strips and a little text around them: never many times the file.
        std::ifstream written(fuzzsupport::Dir() + "/page.pdf", std::ios::binary | std::ios::ate);
        fuzzsupport::Check(static_cast<uint64_t>(written.tellg()) <= size + 4096 + 1024 * file.m_pages.size());
    }

    FaxPageImages images;
    if (images.Open(QFile::decodeName(QByteArray::fromStdString(path)))) {
        for (int page = 0; page < images.PageCount() && page < 64; ++page) {
            images.Page(page);
            fuzzsupport::Check(images.KeptPages() <= FaxPageImages::kKeptPages);
        }
    }
    return 0;
}
