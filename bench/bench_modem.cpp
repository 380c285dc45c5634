// SPDX-License-Identifier: GPL-3.0-or-later
// How much processor time the program spends while the modem link waits, over a pseudo-terminal
// against quorra-modem-sim in real time:
//   (a) WaitForOk twice (10 s) on a silent line          target: under 0.3 % of one core
//   (b) capturing a 200 KB page at 115200 bit/s          target: under 2 % of one core, no byte lost
// Usage: bench_modem [page-bytes]
#include "BenchRow.h"
#include "BenchSupport.h"
#include "core/modem/ModemCommands.h"
#include "core/modem/ModemLink.h"
#include "core/platform/Clock.h"
#include "core/platform/EventPump.h"
#include "core/platform/QtSerialBackend.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const size_t pageBytes = argc > 1 ? std::stoul(argv[1]) : 200 * 1024;
    QTemporaryDir dir;
    const std::string ini = dir.path().toStdString() + "/RERAVA.INI";
    const std::string pagePath = dir.path().toStdString() + "/page.t4";
    std::string page(pageBytes, 0);
    std::mt19937 random(1);
    for (char& c : page)
        c = static_cast<char>(random() | 1); // never eleven zero bits in a row: no EOL, no RTC inside
    std::ofstream(pagePath, std::ios::binary) << page;

    QProcess sim;
    if (!bench::StartSimulator(sim, {QStringLiteral("--ini"), QString::fromStdString(ini), QStringLiteral("--fax"),
                                     QStringLiteral("BENCH:1:") + QString::fromStdString(pagePath)}))
        return 1;
    sim.readLine();

    SteadyClock clock;
    QtEventPump pump;
    QtSerialBackendFactory ports{PortMap(ini)};
    ModemLink link(LinkEnvironment{clock, pump, ports});
    if (!link.Open("COM1") || !link.Configure()) {
        std::fprintf(stderr, "cannot open the simulator's port\n");
        return 1;
    }

    {
        const bench::Measure m;
        link.WaitForOk();
        link.WaitForOk();
        m.Report("(a) WaitForOk, silent line, 2 x 5 s");
        const double share = 100.0 * m.CpuUsed() / m.WallUsed();
        bench::PrintRow("3", bench::Format("%.3f %% of one core over %.1f s", share, m.WallUsed()), "< 0.3 %",
                        share < 0.3);
    }

    link.SendCommand(modem::kNextFax, 100, false, true, true);
    link.WaitForText(5000, modem::kRing);
    link.SendCommand(modem::kAnswer, 100, false, true, true);
    link.WaitForOk();
    link.SendCommand(modem::kReceivePage, 1000, false, true, true);
    if (!link.ReplyContains(modem::kConnect)) {
        std::fprintf(stderr, "no CONNECT\n");
        return 1;
    }
    struct : PageSink {
        bool Append(const char* data, size_t count) override {
            bytes.append(data, count);
            return true;
        }
        std::string bytes;
    } sink;
    link.SetPageSink(&sink);
    bool complete = false;
    double share = 0;
    {
        const bench::Measure m;
        link.SendCommand(std::string(1, modem::kDC2), 0, true, true, false);
        complete = link.CaptureData();
        m.Report("(b) CaptureData, page at 115200 bit/s");
        share = 100.0 * m.CpuUsed() / m.WallUsed();
    }
    link.SetPageSink(nullptr);
    const std::string& captured = sink.bytes;
    const bool intact = complete && captured == page + "\x10";
    std::printf("    %zu page bytes, captured %zu, %s\n", page.size(), captured.size(),
                intact ? "no byte lost" : "BYTES LOST OR CHANGED");
    const long lost = complete ? std::labs(long(page.size() + 1) - long(captured.size())) : long(page.size());
    bench::PrintRow("4",
                    bench::Format("%zu KB: %ld byte(s) lost%s, %.2f %% of one core", page.size() / 1024, lost,
                                  intact || lost != 0 ? "" : " (bytes changed)", share),
                    "0 lost, < 2 %", intact && share < 2.0);
    link.Close();
    sim.terminate();
    sim.waitForFinished(5000);
    return intact ? 0 : 1;
}
