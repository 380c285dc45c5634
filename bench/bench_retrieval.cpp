// SPDX-License-Identifier: GPL-3.0-or-later
// The read command on one 10-page fax over a pseudo-terminal against quorra-modem-sim, in real
// time, against the physical limit of the line: the line time of the page data (bytes on the line,
// DLE doubling and DLE ETX included, at 11,520 bytes per second) plus the waits that no reply can
// shorten (the one-second DTR pulse, and the ten seconds after the last "ATG" in which no further
// "RING" comes).                                 target: wall time at most 1.1 x that limit
// Also the processor time of this process (getrusage) as a share of one core.
// Usage: bench_retrieval [pages]   (default 10; the test pages are taken in turn)
#include "BenchRow.h"
#include "BenchSupport.h"
#include "PrintedRead.h"
#include "core/modem/ModemCommands.h"
#include "core/platform/Clock.h"
#include "core/platform/EventPump.h"
#include "core/platform/QtSerialBackend.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int pageCount = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    const std::vector<std::string> names{"text-fine", "text-normal-fill", "checker", "nearly-blank-fill", "black-line"};

    QStringList files;
    size_t lineBytes = 0;
    for (int i = 0; i < pageCount; ++i) {
        const std::string path =
            std::string(FAXDESK_TEST_DATA_DIR) + "/pages/" + names[size_t(i) % names.size()] + ".g3";
        const std::string page = ReadAll(path);
        if (page.empty()) {
            std::fprintf(stderr, "missing test page %s\n", path.c_str());
            return 1;
        }
        // DLE is doubled on the line; DLE ETX ends the page.
        lineBytes += page.size() + size_t(std::count(page.begin(), page.end(), '\x10')) + 2;
        files << QString::fromStdString(path);
    }

    QTemporaryDir dir;
    const std::string programDir = dir.path().toStdString() + "/";
    const std::string ini = programDir + "RERAVA.INI";
    const uint32_t ringDelayMs = 1500;
    const uint32_t answerDelayMs = 300;
    QProcess modem;
    if (!bench::StartSimulator(modem, {QStringLiteral("--ini"), QString::fromStdString(ini),
                                       QStringLiteral("--ring-delay"), QString::number(ringDelayMs),
                                       QStringLiteral("--answer-delay"), QString::number(answerDelayMs),
                                       QStringLiteral("--fax"), QStringLiteral("BENCH:1:") + files.join(u',')}))
        return 1;

    SteadyClock clock;
    SystemWallClock wallClock;
    QtEventPump pump;
    QtSerialBackendFactory ports{PortMap(ini)};
    FaxReader reader(LinkEnvironment{clock, pump, ports}, wallClock, programDir, programDir);

    const bench::Measure measure;
    const int result = bench::ReadPrintingMessage(reader);
    const double wall = measure.WallUsed();
    const double cpu = measure.CpuUsed();
    modem.terminate();
    modem.waitForFinished(5000);

    const double lineSeconds = double(lineBytes) / 11520.0;
    const double unshortenable = double(modem::kDtrRaise + modem::kNextRingTimeout) / 1000.0;
    const double limit = lineSeconds + unshortenable;
    const double ratio = wall / limit;
    const double share = 100.0 * cpu / wall;

    std::printf("result %d, %d pages, %zu bytes of page data on the line\n", result, pageCount, lineBytes);
    std::printf("wall %.2f s; line time %.2f s + waits no reply can shorten %.2f s = %.2f s; ratio %.2f\n", wall,
                lineSeconds, unshortenable, limit, ratio);
    std::printf("cpu %.3f s = %.2f %% of one core\n", cpu, share);
    bench::PrintRow("5",
                    bench::Format("%.1f s for %.1f s line + %.0f s: %.2fx; %.2f %% of a core%s", wall, lineSeconds,
                                  unshortenable, ratio, share, result == 0 ? "" : " (READ FAILED)"),
                    "<= 1.1x (line time + 11 s)", result == 0 && ratio <= 1.1);
    return result == 0 && ratio <= 1.1 ? 0 : 2;
}
