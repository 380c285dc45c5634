// SPDX-License-Identifier: GPL-3.0-or-later
// PDF export of a 20-page fine fax against libtiff's tiff2pdf on the same page file. The page file
// is written by our FaxFileWriter from the ghostscript text page at fine resolution (2292 lines).
// Both are timed end to end, page file reading and PDF writing included, as the median of several
// runs; tiff2pdf's time includes starting its process. Both outputs must pass `qpdf --check`.
//
// usage: bench_pdf_export [runs] [--figures]
//   --figures prints only "name<TAB>value<TAB>unit" lines, for collecting figures by script.
// Either way it ends with bench/run's ROW line.
// Needs tiff2pdf (libtiff-tools) and qpdf.
#include "BenchRow.h"
#include "core/fax/FaxFileWriter.h"
#include "core/fax/FaxPdfExport.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int kPages = 20;

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

template <typename F> double MedianMs(int runs, F&& run) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        if (!run()) {
            return -1;
        }
        times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    return Median(times);
}

bool SoundPdf(const std::string& path) {
    return std::system(("qpdf --check " + path + " >/dev/null 2>&1").c_str()) == 0;
}

// A fine fax of kPages pages as the retrieval leaves it in the program directory.
bool MakePageFile(const std::string& dir) {
    const std::string page = ReadAll(std::string(FAXDESK_PAGES_DIR) + "/text-fine.g3");
    std::string data;
    for (int i = 0; i < kPages; ++i) {
        data += page + '\x10';
    }
    std::string capture(132, '\0');
    capture.replace(0, 2, "G3");
    capture.replace(3, 15, "1,3,0,2,0,0,0,0");
    capture[40] = static_cast<char>(kPages);
    for (int i = 0; i < 4; ++i) {
        capture[128 + i] = static_cast<char>(data.size() >> (8 * i));
    }
    std::ofstream(dir + "/fax.cap", std::ios::binary) << capture << data;
    FaxFileWriter writer;
    return writer.Convert(dir + "/fax.cap", dir + "/fax.tif");
}

} // namespace

int main(int argc, char** argv) {
    int runs = 9;
    bool figures = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--figures") == 0) {
            figures = true;
        } else {
            runs = std::max(1, std::atoi(argv[i]));
        }
    }
    char dirTemplate[] = "/tmp/faxdesk-bench-XXXXXX";
    if (mkdtemp(dirTemplate) == nullptr || !MakePageFile(dirTemplate)) {
        std::fprintf(stderr, "cannot make the page file\n");
        return 1;
    }
    const std::string dir = dirTemplate;
    const std::string tif = dir + "/fax.tif";

    FaxPdfExport pdf;
    const FaxPdfSource source{tif, "FAXDESK bench", "2000/08/15  09:05:00"};
    const double oursMs = MedianMs(runs, [&] { return pdf.Export({source}, dir + "/ours.pdf"); });
    const std::string tiff2pdf = "tiff2pdf -o " + dir + "/tiff2pdf.pdf " + tif + " 2>/dev/null";
    const double theirsMs = MedianMs(runs, [&] { return std::system(tiff2pdf.c_str()) == 0; });
    const bool oursSound = oursMs >= 0 && SoundPdf(dir + "/ours.pdf");
    const bool theirsSound = theirsMs >= 0 && SoundPdf(dir + "/tiff2pdf.pdf");
    const auto size = [&](const char* name) { return std::filesystem::file_size(dir + name) / 1024.0; };

    if (figures) {
        std::printf("pdf_export_ms\t%.2f\tms\npdf_export_kib\t%.1f\tKiB\npage_file_kib\t%.1f\tKiB\n", oursMs,
                    size("/ours.pdf"), size("/fax.tif"));
        std::printf("tiff2pdf_ms\t%.2f\tms\ntiff2pdf_kib\t%.1f\tKiB\n", theirsMs, size("/tiff2pdf.pdf"));
    } else {
        std::printf("page file: %d fine pages, %.1f KiB; median of %d runs\n", kPages, size("/fax.tif"), runs);
        std::printf("FaxPdfExport::Export  %8.2f ms  %8.1f KiB  %s\n", oursMs, size("/ours.pdf"),
                    oursSound ? "qpdf: sound" : "INVALID");
        std::printf("tiff2pdf (process)    %8.2f ms  %8.1f KiB  %s\n", theirsMs, size("/tiff2pdf.pdf"),
                    theirsSound ? "qpdf: sound" : "INVALID");
    }
    // Milliseconds, and about the size of the page file: its strips go in as they are. Both PDFs
    // must pass qpdf's check.
    const double ratio = size("/ours.pdf") / size("/fax.tif");
    bench::PrintRow(
        "2",
        bench::Format("%.1f ms, %.0f KiB (page file %.0f KiB) vs tiff2pdf %.1f ms, %.0f KiB: %.1fx faster%s", oursMs,
                      size("/ours.pdf"), size("/fax.tif"), theirsMs, size("/tiff2pdf.pdf"), theirsMs / oursMs,
                      oursSound && theirsSound ? "" : ", A PDF IS UNSOUND"),
        "< 100 ms, within 10 % of the page file, qpdf --check passes",
        oursSound && theirsSound && oursMs < 100 && ratio < 1.1);
    std::filesystem::remove_all(dir);
    return oursSound && theirsSound ? 0 : 1;
}
