// SPDX-License-Identifier: GPL-3.0-or-later
// Throughput of FaxFileWriter::Convert against libtiff's fax2tiff on the same page data: 200 pages,
// the ghostscript text page at fine resolution and the pbmtog3 text page with fill, alternating.
// Our writer gets them as one capture file; fax2tiff gets one raw T.4 file per page (it takes each
// input file as one page) and writes the same kind of file: one multi-page TIFF, G3 1D,
// EOL-aligned, MSB first. Both are timed end to end, file reading and writing included, with the
// median of several runs; both outputs must be read by `tiffinfo -D` with 200 pages.
//
// usage: bench_fax_writer [runs]      (needs fax2tiff and tiffinfo from libtiff-tools)
#include "fax/FaxFileWriter.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int kPages = 200;

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void WriteAll(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

double Seconds(const std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// tiffinfo -D decodes every strip; it must find all pages and complain about nothing but the
// order of our directory entries.
bool ValidTiff(const std::string& path, const std::string& dir) {
    const std::string out = dir + "/info.out", err = dir + "/info.err";
    if (std::system(("tiffinfo -D " + path + " >" + out + " 2>" + err).c_str()) != 0) {
        return false;
    }
    std::istringstream lines(ReadAll(err));
    for (std::string line; std::getline(lines, line);) {
        if (line.find("tags are not sorted in ascending order") == std::string::npos) {
            std::fprintf(stderr, "%s: %s\n", path.c_str(), line.c_str());
            return false;
        }
    }
    const std::string info = ReadAll(out);
    int pages = 0;
    for (size_t at = info.find("=== TIFF directory"); at != std::string::npos;
         at = info.find("=== TIFF directory", at + 1)) {
        ++pages;
    }
    return pages == kPages;
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    char dirTemplate[] = "/tmp/faxdesk-bench-XXXXXX";
    if (mkdtemp(dirTemplate) == nullptr) {
        return 1;
    }
    const std::string dir = dirTemplate;
    const std::string pagesDir = FAXDESK_PAGES_DIR;
    const std::vector<std::string> sources = {ReadAll(pagesDir + "/text-fine.g3"),
                                              ReadAll(pagesDir + "/text-normal-fill.g3")};

    std::string data, fileList;
    for (int i = 0; i < kPages; ++i) {
        const std::string& page = sources[i % 2];
        data += page + '\x10'; // the DLE that the capture keeps of DLE ETX
        char name[32];
        std::snprintf(name, sizeof name, "/p%03d.g3", i);
        WriteAll(dir + name, page);
        fileList += " " + dir + name;
    }
    std::string capture(132, '\0');
    const std::string header = "G3";
    const std::string dcs = "1,3,0,2,0,0,0,0";
    std::copy(header.begin(), header.end(), capture.begin());
    std::copy(dcs.begin(), dcs.end(), capture.begin() + 3);
    capture[40] = static_cast<char>(kPages);
    for (int i = 0; i < 4; ++i) {
        capture[128 + i] = static_cast<char>(data.size() >> (8 * i));
    }
    WriteAll(dir + "/fax.cap", capture + data);
    const double megabytes = static_cast<double>(data.size()) / 1e6;

    std::vector<double> ours, theirs;
    FaxFileWriter writer;
    const std::string fax2tiff = "fax2tiff -M -1 -5 -a -m -R 196 -o " + dir + "/fax2tiff.tif" + fileList;
    for (int run = 0; run < runs; ++run) {
        auto start = std::chrono::steady_clock::now();
        if (!writer.Convert(dir + "/fax.cap", dir + "/ours.tif")) {
            std::fprintf(stderr, "Convert failed: %d/%d\n", writer.m_result, writer.m_detail);
            return 1;
        }
        ours.push_back(Seconds(start));
        start = std::chrono::steady_clock::now();
        if (std::system(fax2tiff.c_str()) != 0) {
            std::fprintf(stderr, "fax2tiff failed\n");
            return 1;
        }
        theirs.push_back(Seconds(start));
    }
    const bool oursValid = ValidTiff(dir + "/ours.tif", dir);
    const bool theirsValid = ValidTiff(dir + "/fax2tiff.tif", dir);

    const double oursRate = megabytes / Median(ours), theirRate = megabytes / Median(theirs);
    std::printf("page data: %d pages, %.2f MB; median of %d runs\n", kPages, megabytes, runs);
    std::printf("FaxFileWriter::Convert  %8.1f ms  %8.1f MB/s  output %s\n", Median(ours) * 1e3, oursRate,
                oursValid ? "valid" : "INVALID");
    std::printf("fax2tiff                %8.1f ms  %8.1f MB/s  output %s\n", Median(theirs) * 1e3, theirRate,
                theirsValid ? "valid" : "INVALID");
    std::printf("ratio                   %8.1f x\n", oursRate / theirRate);
    std::filesystem::remove_all(dir);
    return oursValid && theirsValid ? 0 : 1;
}
