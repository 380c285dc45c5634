// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the benchmarks against quorra-modem-sim share: processor and wall time of this process, and
// starting the simulator (FAXDESK_SIM_EXECUTABLE) on its pseudo-terminal.
#include <QProcess>
#include <QString>
#include <QStringList>

#include <chrono>
#include <cstdio>
#include <sys/resource.h>

namespace bench {

// Processor time (user and system) this process has used so far.
inline double CpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

inline double WallSeconds() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

// Wall and processor time from its construction on.
struct Measure {
    double cpu = CpuSeconds();
    double wall = WallSeconds();
    double CpuUsed() const { return CpuSeconds() - cpu; }
    double WallUsed() const { return WallSeconds() - wall; }
    void Report(const char* what) const {
        const double cpuUsed = CpuUsed();
        const double wallUsed = WallUsed();
        std::printf("%-40s wall %7.2f s  cpu %6.3f s  = %5.2f %% of one core\n", what, wallUsed, cpuUsed,
                    100.0 * cpuUsed / wallUsed);
    }
};

// Starts quorra-modem-sim with `arguments` (its errors go to ours) and waits for its first line of
// output, which tells that its port is up; false, with a note on stderr, when it does not come.
inline bool StartSimulator(QProcess& sim, const QStringList& arguments) {
    sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    sim.start(QStringLiteral(FAXDESK_SIM_EXECUTABLE), arguments);
    if (!sim.waitForStarted(5000) || !sim.waitForReadyRead(5000)) {
        std::fprintf(stderr, "quorra-modem-sim did not start\n");
        return false;
    }
    return true;
}

} // namespace bench
