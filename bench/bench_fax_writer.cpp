// SPDX-License-Identifier: GPL-3.0-or-later
// The fax page file writer against libtiff's fax2tiff on the same 200 pages, each as one whole
// process: faxdesk-convert (capture file in, TIFF out) and fax2tiff given all 200 raw page files in
// one call, writing the same kind of file (multi-page, G3 1D, EOL-aligned, MSB first). The pages
// are the test pages of tests/data/pages, each exactly as its coder wrote it (ghostscript, pbmtog3
// plain and with fill, efax's efix; fill inside the RTC and surplus EOLs included), taken in turn.
// Both outputs are decoded by libtiff (tifftopnm) and compared pixel for pixel, page by page, before
// the throughput counts. fax2tiff knows no RTC: it makes a white row of each of its EOLs, so its
// pages may be up to seven white rows longer; every other row must be the same.
//
// usage: bench_fax_writer CONVERT [runs]     (CONVERT: the faxdesk-convert executable; needs
//        fax2tiff, tiffinfo and tifftopnm)
#include "BenchRow.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <string>
#include <string_view>
#include <sys/resource.h>
#include <sys/wait.h>
#include <vector>

extern char** environ;

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

struct Times {
    double wall = -1; // negative: the process failed
    double cpu = 0;   // user and system time of the process
};

// Runs `args` as a process of its own (no shell) and returns its wall and processor time.
Times TimeProcess(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        return {};
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return {};
    Times times;
    times.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    times.cpu = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    return times;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

bool Shell(const std::string& command) {
    return std::system(command.c_str()) == 0;
}

// tiffinfo -D decodes every strip; it must find all pages and complain about nothing but the
// order of our directory entries.
bool ValidTiff(const std::string& path, const std::string& dir) {
    const std::string out = dir + "/info.out", err = dir + "/info.err";
    if (!Shell("tiffinfo -D " + path + " >" + out + " 2>" + err))
        return false;
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
         at = info.find("=== TIFF directory", at + 1))
        ++pages;
    return pages == kPages;
}

struct Image {
    int width = 0;
    int height = 0;
    std::string_view rows; // packed PBM rows
};

// The images of a stream of raw PBM (P4) images, as tifftopnm writes every page of a TIFF file.
std::vector<Image> ParsePbmStream(const std::string& stream) {
    std::vector<Image> images;
    size_t at = 0;
    while (at + 2 <= stream.size() && stream.compare(at, 2, "P4") == 0) {
        at += 2;
        int numbers[2] = {0, 0};
        for (int& n : numbers) {
            while (at < stream.size() && (std::isspace(static_cast<unsigned char>(stream[at])) || stream[at] == '#')) {
                if (stream[at] == '#')
                    at = stream.find('\n', at);
                else
                    ++at;
            }
            while (at < stream.size() && std::isdigit(static_cast<unsigned char>(stream[at])))
                n = n * 10 + (stream[at++] - '0');
        }
        ++at; // the one blank before the rows
        const size_t size = size_t((numbers[0] + 7) / 8) * size_t(numbers[1]);
        if (at + size > stream.size())
            break;
        images.push_back({numbers[0], numbers[1], std::string_view(stream).substr(at, size)});
        at += size;
    }
    return images;
}

// Page for page the same pixels; fax2tiff's pages may end in up to seven more rows, all white.
bool SamePixels(const std::string& oursStream, const std::string& theirStream) {
    const std::vector<Image> ours = ParsePbmStream(oursStream), theirs = ParsePbmStream(theirStream);
    if (ours.size() != size_t(kPages) || theirs.size() != size_t(kPages)) {
        std::fprintf(stderr, "decoded pages: ours %zu, fax2tiff %zu\n", ours.size(), theirs.size());
        return false;
    }
    for (size_t i = 0; i < ours.size(); ++i) {
        const Image& a = ours[i];
        const Image& b = theirs[i];
        const std::string_view surplus = b.rows.substr(std::min(a.rows.size(), b.rows.size()));
        const bool ok = a.width == b.width && a.height <= b.height && b.height - a.height <= 7 &&
                        b.rows.substr(0, a.rows.size()) == a.rows &&
                        surplus.find_first_not_of('\0') == std::string_view::npos;
        if (!ok) {
            std::fprintf(stderr, "page %zu differs: ours %dx%d, fax2tiff %dx%d\n", i + 1, a.width, a.height, b.width,
                         b.height);
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_fax_writer CONVERT [runs]\n");
        return 2;
    }
    const std::string convert = argv[1];
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 7;
    char dirTemplate[] = "/tmp/faxdesk-bench-XXXXXX";
    if (mkdtemp(dirTemplate) == nullptr)
        return 1;
    const std::string dir = dirTemplate;
    const std::string pagesDir = FAXDESK_PAGES_DIR;

    std::vector<std::string> distinct;
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(pagesDir)) {
        if (entry.path().extension() == ".g3")
            names.push_back(entry.path().string());
    }
    std::sort(names.begin(), names.end());
    for (const std::string& name : names)
        distinct.push_back(ReadAll(name));
    if (distinct.empty()) {
        std::fprintf(stderr, "no test pages in %s\n", pagesDir.c_str());
        return 1;
    }

    std::string data;
    std::vector<std::string> fax2tiff = {"fax2tiff", "-M", "-1",  "-5", "-a",
                                         "-m",       "-R", "196", "-o", dir + "/fax2tiff.tif"};
    for (int i = 0; i < kPages; ++i) {
        const std::string& page = distinct[size_t(i) % distinct.size()];
        data += page + '\x10'; // the DLE that the capture keeps of DLE ETX
        const std::string name = dir + "/p" + std::to_string(1000 + i) + ".g3";
        WriteAll(name, page);
        fax2tiff.push_back(name);
    }
    std::string capture(132, '\0');
    const std::string header = "G3";
    const std::string dcs = "1,3,0,2,0,0,0,0";
    std::copy(header.begin(), header.end(), capture.begin());
    std::copy(dcs.begin(), dcs.end(), capture.begin() + 3);
    capture[40] = static_cast<char>(kPages);
    for (int i = 0; i < 4; ++i)
        capture[size_t(128 + i)] = static_cast<char>(data.size() >> (8 * i));
    WriteAll(dir + "/fax.cap", capture + data);
    const double megabytes = static_cast<double>(data.size() - kPages) / 1e6;

    std::vector<double> oursWall, theirWall, oursCpu, theirCpu;
    const std::vector<std::string> oursCommand = {convert, dir + "/fax.cap", dir + "/ours.tif"};
    for (int run = 0; run < runs; ++run) {
        const Times a = TimeProcess(oursCommand);
        const Times b = TimeProcess(fax2tiff);
        if (a.wall < 0 || b.wall < 0) {
            std::fprintf(stderr, "%s failed\n", a.wall < 0 ? "faxdesk-convert" : "fax2tiff");
            bench::PrintRow("1", a.wall < 0 ? "faxdesk-convert failed" : "fax2tiff failed", ">= 12x fax2tiff", false);
            return 1;
        }
        oursWall.push_back(a.wall);
        theirWall.push_back(b.wall);
        oursCpu.push_back(a.cpu);
        theirCpu.push_back(b.cpu);
    }
    const bool valid = ValidTiff(dir + "/ours.tif", dir) && ValidTiff(dir + "/fax2tiff.tif", dir);
    const bool same = valid && Shell("tifftopnm " + dir + "/ours.tif >" + dir + "/ours.pnm 2>/dev/null") &&
                      Shell("tifftopnm " + dir + "/fax2tiff.tif >" + dir + "/fax2tiff.pnm 2>/dev/null") &&
                      SamePixels(ReadAll(dir + "/ours.pnm"), ReadAll(dir + "/fax2tiff.pnm"));

    // Throughput on processor time: on a shared machine the wall time mostly says how long the
    // process waited for a core.
    const double oursRate = megabytes / Median(oursCpu), theirRate = megabytes / Median(theirCpu);
    const double ratio = oursRate / theirRate;
    std::printf("page data: %d pages (%zu distinct), %.2f MB; median of %d runs, each a whole process\n", kPages,
                distinct.size(), megabytes, runs);
    std::printf("faxdesk-convert  cpu %7.1f ms = %7.1f MB/s  (wall %7.1f ms)\n", Median(oursCpu) * 1e3, oursRate,
                Median(oursWall) * 1e3);
    std::printf("fax2tiff         cpu %7.1f ms = %7.1f MB/s  (wall %7.1f ms)\n", Median(theirCpu) * 1e3, theirRate,
                Median(theirWall) * 1e3);
    std::printf("outputs %s\n", same ? "equal pixel for pixel" : "DIFFER or unreadable");
    bench::PrintRow("1",
                    bench::Format("%.0f vs %.0f MB/s (cpu): %.1fx%s", oursRate, theirRate, ratio,
                                  same ? ", pixels equal" : ", PIXELS DIFFER"),
                    ">= 12x fax2tiff", same && ratio >= 12.0);
    std::filesystem::remove_all(dir);
    return same ? 0 : 1;
}
