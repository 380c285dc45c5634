// SPDX-License-Identifier: GPL-3.0-or-later
// The read command when the port goes away in the middle of a later page (an adapter pulled, the
// modem switched off), over a pseudo-terminal against quorra-modem-sim, in real time: the
// simulator closes its end of the line part-way through the second page of a three-page fax.
//   wall and processor time (getrusage) from the moment the line went to the command's end, and
//   over the whole command                                     target: under 10 % of one core
// Usage: bench_port_gone [bytes of the second page before the line goes]   (default 3000)
#include "BenchSupport.h"
#include "PrintedRead.h"
#include "core/platform/Clock.h"
#include "core/platform/EventPump.h"
#include "core/platform/QtSerialBackend.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const long afterBytes = argc > 1 ? std::max(1L, std::atol(argv[1])) : 3000;
    const QString pages = QStringLiteral(FAXDESK_TEST_DATA_DIR "/pages/");
    const QString fax = QStringLiteral("GONE:1:") + pages + QStringLiteral("text-fine.g3,") + pages +
                        QStringLiteral("checker.g3,") + pages + QStringLiteral("black-line.g3");

    QTemporaryDir dir;
    const std::string programDir = dir.path().toStdString() + "/";
    const std::string ini = programDir + "RERAVA.INI";
    QProcess modem;
    if (!bench::StartSimulator(modem, {QStringLiteral("--ini"), QString::fromStdString(ini), QStringLiteral("--fax"),
                                       fax, QStringLiteral("--fault"),
                                       QStringLiteral("drop:DC2:2:") + QString::number(afterBytes)}))
        return 1;
    // The simulator ends when it has closed its end of the line.
    std::optional<bench::Measure> sinceLineGone;
    QObject::connect(&modem, &QProcess::finished, [&sinceLineGone] { sinceLineGone.emplace(); });

    SteadyClock clock;
    SystemWallClock wallClock;
    QtEventPump pump;
    QtSerialBackendFactory ports{PortMap(ini)};
    FaxReader reader(LinkEnvironment{clock, pump, ports}, wallClock, programDir, programDir);

    const bench::Measure measure;
    const int result = bench::ReadPrintingMessage(reader);
    const double wall = measure.WallUsed();
    const double cpu = measure.CpuUsed();
    const double goneWall = sinceLineGone ? sinceLineGone->WallUsed() : 0;
    const double goneCpu = sinceLineGone ? sinceLineGone->CpuUsed() : 0;
    modem.waitForFinished(5000);

    std::printf("result %d; the line went after %ld bytes of page 2\n", result, afterBytes);
    if (sinceLineGone)
        std::printf("from the line going to the command's end: wall %.2f s, cpu %.3f s = %.2f %% of one core\n",
                    goneWall, goneCpu, 100.0 * goneCpu / goneWall);
    else
        std::printf("the simulator had not ended when the command did\n");
    std::printf("whole command: wall %.2f s, cpu %.3f s = %.2f %% of one core (target under 10 %%)\n", wall, cpu,
                100.0 * cpu / wall);
    return cpu / wall < 0.10 ? 0 : 2;
}
