// SPDX-License-Identifier: GPL-3.0-or-later
// The read command on one 10-page fax over a pseudo-terminal against quorra-modem-sim, in real
// time: how long it takes against its budget, and how much processor time the program spends.
//   budget = the program's fixed waits + the modem's own answer delays + line time of the page data
//            (bytes / 11,520 per second) + 5 %                      target: wall time within it
//   processor time of this process (getrusage)                     target: under 10 % of one core
// Usage: bench_retrieval [pages]   (default 10; the test pages are taken in turn)
#include "BenchSupport.h"
#include "fax/FaxFileWriter.h"
#include "fax/FaxRetrieval.h"
#include "faxlist/FaxRecordStore.h"
#include "modem/ModemLink.h"
#include "platform/Clock.h"
#include "platform/EventPump.h"
#include "platform/QtSerialBackend.h"

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

class PrintingHost final : public retrieval::CommandHost {
public:
    void SetStatusText(const QString&) override {}
    void SetBusy(bool) override {}
    void EnableMainWindow(bool) override {}
    void ShowStopMessage(const QString& text) override { std::printf("message: %s\n", text.toUtf8().constData()); }
    void ReloadRows() override {}
};

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
    ModemLink link(LinkEnvironment{clock, pump, ports});
    FaxFileWriter writer;
    FaxRecordStore store;
    store.OpenStoreAt(ini);
    PrintingHost host;
    const retrieval::Context context{link, writer, store, programDir, programDir, wallClock, host};

    const bench::Measure measure;
    const int result = retrieval::RunReadCommand(context, host);
    const double wall = measure.WallUsed();
    const double cpu = measure.CpuUsed();
    modem.terminate();
    modem.waitForFinished(5000);

    // The program's own waits in one run with one fax of P pages: three "AT"s (500 ms each), DTR
    // (1000), "AT" (500), the class 2 set-up (1000 + 100 + 100 + 1000 + 100), "ATG" (100), "ATA"
    // (100), P + 1 "AT+FDR" (1000 each), "ATG" and the 10 s for a RING that does not come (100 +
    // 10000), data mode (3 x 100), restore (4 x 100). The modem adds its ring and answer delays
    // beyond the 100 ms the program already waits after "ATG" and "ATA".
    const double fixedMs = 1500 + 1000 + 500 + 2300 + 100 + 100 + (pageCount + 1) * 1000.0 + 10100 + 300 + 400;
    const double modemMs = (ringDelayMs - 100.0) + (answerDelayMs - 100.0);
    const double lineMs = 1000.0 * double(lineBytes) / 11520.0;
    const double budget = (fixedMs + modemMs + lineMs) / 1000.0 * 1.05;

    std::printf("result %d, %d pages, %zu bytes of page data on the line\n", result, pageCount, lineBytes);
    std::printf("fixed waits %.2f s + modem delays %.2f s + line time %.2f s, + 5 %% = budget %.2f s\n",
                fixedMs / 1000.0, modemMs / 1000.0, lineMs / 1000.0, budget);
    std::printf("wall %.2f s (%s budget by %.2f s)\n", wall, wall <= budget ? "within" : "OVER",
                std::abs(budget - wall));
    std::printf("cpu %.3f s = %.2f %% of one core (target under 10 %%)\n", cpu, 100.0 * cpu / wall);
    return result == 0 && wall <= budget && cpu / wall < 0.10 ? 0 : 2;
}
