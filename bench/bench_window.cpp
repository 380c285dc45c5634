// SPDX-License-Identifier: GPL-3.0-or-later
// The windows' figures of bench/run:
//   records    loading 10,000 records into the fax list with the row map (FaxListView::ReloadRows
//              after the row map was dropped): median time, and how often RERAVA.INI was rewritten
//              (inotify on its directory).
//   start-up   the program started as a process of its own (this executable's "child" mode, a twin
//              of main that stops at its first painted main window), with an empty list and with
//              10,000 records, on the offscreen platform and, when $FAXDESK_BENCH_XDISPLAY names
//              an X server (bench/run starts Xvfb), under X: median time from the process's start
//              to its first event-loop pass after the main window was painted, and peak resident
//              memory.
//   idle       the open main window left alone for 60 s (under X when there is one), once its start
//              has settled (35 s after painting): processor share, wake-ups (context switches of all
//              its threads) and, with strace, system calls.
// usage: bench_window records | start-up [runs] | idle [seconds] | child DIR [--idle]
#include "BenchRow.h"
#include "app/DesktopShell.h"
#include "app/Program.h"
#include "core/fax/FaxReader.h"
#include "core/platform/EventPump.h"
#include "core/platform/QtSerialBackend.h"
#include "ui/faxlist/FaxListView.h"
#include "ui/kit/FolderChooser.h"
#include "ui/kit/MessageBoxService.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMainWindow>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <poll.h>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

constexpr int kRecords = 10000;

uint64_t MonotonicNs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return uint64_t(now.tv_sec) * 1000000000u + uint64_t(now.tv_nsec);
}

uint64_t ProcessCpuNs() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return uint64_t(now.tv_sec) * 1000000000u + uint64_t(now.tv_nsec);
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

// A program directory as a long use of the program leaves it: installed, settings, the counter,
// `records` records with every tenth deleted (so 9,000 of 10,000 remain), and no row map yet.
std::string MakeProgramDir(const std::string& dir, int records) {
    std::filesystem::create_directories(dir);
    std::string text = "[DEZAZAZE]\r\nINSTALL=1\r\nRING=4\r\n[FAX]\r\nNUM=" + std::to_string(records) + "\r\n";
    for (int n = 1; n <= records; ++n) {
        if (n % 10 == 0)
            continue;
        char stamp[32];
        std::snprintf(stamp, sizeof stamp, "2000%010d", n);
        text += "[FAX" + std::to_string(n) + "]\r\nFILE=" + dir + "/" + stamp +
                ".TIF\r\nTIME=2000/08/15  09:05:00\r\nID=\xC9\xEE\xDB\xDA\xB4\xAB\xD5\xE6\r\nRead=" +
                std::to_string(n % 2) + "\r\nPage=3\r\nRes=1\r\n";
    }
    std::ofstream(dir + "/RERAVA.INI", std::ios::binary | std::ios::trunc) << text;
    return dir + "/faxdesk";
}

// What main hands to the windows, for a program in `programPath`'s directory.
struct Services {
    explicit Services(const std::string& programPath)
        : ports(PortMap(std::filesystem::path(programPath).parent_path().string() + "/RERAVA.INI")),
          services{clock, wallClock,   pump,
                   ports, messages,    folders,
                   shell, programPath, std::filesystem::path(programPath).parent_path().string() + "/"} {}
    SteadyClock clock;
    SystemWallClock wallClock;
    QtEventPump pump;
    QtSerialBackendFactory ports;
    QtMessageBoxService messages;
    QtFolderChooser folders;
    DesktopShell shell;
    AppServices services;
};

// Counts the times RERAVA.INI in `dir` is written anew (renamed over, or written in place).
class RewriteCounter {
public:
    explicit RewriteCounter(const std::string& dir) : m_fd(inotify_init1(IN_NONBLOCK)) {
        inotify_add_watch(m_fd, dir.c_str(), IN_MOVED_TO | IN_CLOSE_WRITE);
    }
    ~RewriteCounter() { ::close(m_fd); }
    int Take() {
        int count = 0;
        alignas(inotify_event) char buffer[16384];
        for (;;) {
            const ssize_t got = ::read(m_fd, buffer, sizeof buffer);
            if (got <= 0)
                return count;
            for (ssize_t at = 0; at < got;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                if (event->len > 0 && std::strcmp(event->name, "RERAVA.INI") == 0)
                    ++count;
                at += ssize_t(sizeof(inotify_event) + event->len);
            }
        }
    }

private:
    int m_fd;
};

int Records(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    char dirTemplate[] = "/tmp/faxdesk-bench-XXXXXX";
    if (!mkdtemp(dirTemplate))
        return 1;
    const std::string dir = dirTemplate;
    Services s(MakeProgramDir(dir, kRecords));
    FaxReader reader(s.services.Link(), s.services.wallClock, s.services.programDirectory,
                     FaxReader::SpoolOf(s.services.programDirectory));
    FaxListView view(s.services, reader); // the first load writes the row map
    std::vector<double> times;
    std::vector<double> cpuTimes; // on a shared machine wall time is mostly the wait for a core
    std::vector<int> rewrites;
    for (int run = 0; run < 15; ++run) {
        view.Store().DropRowMap();
        RewriteCounter counter(dir);
        const uint64_t start = MonotonicNs();
        const uint64_t cpuStart = ProcessCpuNs();
        view.ReloadRows();
        times.push_back(double(MonotonicNs() - start) / 1e6);
        cpuTimes.push_back(double(ProcessCpuNs() - cpuStart) / 1e6);
        rewrites.push_back(counter.Take());
    }
    const int rows = view.model() ? view.model()->rowCount() : -1;
    const int worst = *std::max_element(rewrites.begin(), rewrites.end());
    std::printf("records: %d rows listed; ReloadRows with the row map to write: median %.1f ms of 15 (processor "
                "%.1f ms), RERAVA.INI rewritten %d time(s) per load\n",
                rows, Median(times), Median(cpuTimes), worst);
    bench::PrintRow("6",
                    bench::Format("%.1f ms (processor %.1f ms), %d rewrite(s) of RERAVA.INI", Median(times),
                                  Median(cpuTimes), worst),
                    "< 15 ms, 1 rewrite", Median(times) < 15.0 && worst == 1);
    std::filesystem::remove_all(dir);
    return 0;
}

// The twin of main: the same services and application object, for a program in DIR. Prints
// "PAINTED <monotonic ns> <peak resident KB>" at the first event-loop pass after the main window
// was painted; then ends, or with --idle waits to be terminated.
int Child(int argc, char** argv) {
    const std::string programPath = std::string(argv[2]) + "/faxdesk";
    const bool idle = argc > 3 && std::strcmp(argv[3], "--idle") == 0;
    QApplication app(argc, argv);
    Services s(programPath);

    struct FirstPaint : QObject {
        bool seen = false;
        bool idle = false;
        bool eventFilter(QObject* watched, QEvent* event) override {
            if (seen || event->type() != QEvent::Paint || !watched->isWidgetType())
                return false;
            if (!qobject_cast<QMainWindow*>(static_cast<QWidget*>(watched)->window()))
                return false;
            seen = true;
            QTimer::singleShot(0, [this] {
                const uint64_t now = MonotonicNs();
                rusage usage{};
                getrusage(RUSAGE_SELF, &usage);
                const long cpuUs = (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000000L + usage.ru_utime.tv_usec +
                                   usage.ru_stime.tv_usec;
                std::printf("PAINTED %llu %ld %ld\n", static_cast<unsigned long long>(now), usage.ru_maxrss, cpuUs);
                std::fflush(stdout);
                if (!idle)
                    QCoreApplication::quit();
            });
            return false;
        }
    } firstPaint;
    firstPaint.idle = idle;
    app.installEventFilter(&firstPaint);
    Program faxdesk(s.services);
    return faxdesk.Run();
}

struct Started {
    pid_t pid = -1;
    int out = -1;
    uint64_t startNs = 0;
};

// Starts this executable in child mode with `platform` and waits for its "PAINTED" line.
bool StartChild(const char* self, const std::string& dir, const std::string& platform, bool idle, Started& started,
                double& ms, double& peakMb, double* cpuMs = nullptr) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0)
        return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        if (std::strncmp(*e, "QT_QPA_PLATFORM=", 16) != 0 && std::strncmp(*e, "DISPLAY=", 8) != 0)
            env.emplace_back(*e);
    }
    if (platform == "offscreen") {
        env.emplace_back("QT_QPA_PLATFORM=offscreen");
    } else {
        env.emplace_back("QT_QPA_PLATFORM=xcb");
        env.emplace_back("DISPLAY=" + platform);
    }
    std::vector<char*> envp;
    for (std::string& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    std::vector<std::string> args = {self, "child", dir};
    if (idle)
        args.emplace_back("--idle");
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    started.startNs = MonotonicNs();
    const int spawned = posix_spawn(&started.pid, self, &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    started.out = pipeFds[0];
    if (spawned != 0)
        return false;
    std::string line;
    char c = 0;
    pollfd p{started.out, POLLIN, 0};
    while (poll(&p, 1, 20000) > 0 && ::read(started.out, &c, 1) == 1) {
        if (c == '\n') {
            unsigned long long at = 0;
            long rssKb = 0;
            long cpuUs = 0;
            if (std::sscanf(line.c_str(), "PAINTED %llu %ld %ld", &at, &rssKb, &cpuUs) == 3) {
                ms = double(at - started.startNs) / 1e6;
                peakMb = double(rssKb) / 1024.0;
                if (cpuMs)
                    *cpuMs = double(cpuUs) / 1e3;
                return true;
            }
            line.clear();
        } else {
            line.push_back(c);
        }
    }
    return false;
}

void EndChild(Started& started) {
    if (started.pid > 0) {
        ::kill(started.pid, SIGTERM);
        int status = 0;
        waitpid(started.pid, &status, 0);
    }
    if (started.out >= 0)
        ::close(started.out);
    started = {};
}

int StartUp(const char* self, int runs) {
    char dirTemplate[] = "/tmp/faxdesk-bench-XXXXXX";
    if (!mkdtemp(dirTemplate))
        return 1;
    const std::string base = dirTemplate;
    MakeProgramDir(base + "/empty", 0);
    MakeProgramDir(base + "/full", kRecords);
    std::vector<std::string> platforms = {"offscreen"};
    if (const char* x = std::getenv("FAXDESK_BENCH_XDISPLAY"); x && *x)
        platforms.emplace_back(x);
    bool allHold = true;
    for (const std::string& platform : platforms) {
        const std::string name = platform == "offscreen" ? "offscreen" : "Xvfb";
        std::string figure;
        bool holds = true;
        for (const char* list : {"empty", "full"}) {
            std::vector<double> times, peaks, cpuTimes;
            for (int run = 0; run <= runs; ++run) { // the first run writes the row map and warms the caches
                Started started;
                double ms = 0, peak = 0, cpuMs = 0;
                const bool ok = StartChild(self, base + "/" + list, platform, false, started, ms, peak, &cpuMs);
                EndChild(started);
                if (!ok) {
                    std::fprintf(stderr, "the program did not paint its main window (%s, %s)\n", name.c_str(), list);
                    bench::PrintRow(name == "offscreen" ? "7a" : "7b", "no main window painted",
                                    "< 100 ms with 10,000 records, < 50 MB", false);
                    return 1;
                }
                if (run > 0) {
                    times.push_back(ms);
                    peaks.push_back(peak);
                    cpuTimes.push_back(cpuMs);
                }
            }
            const double peak = *std::max_element(peaks.begin(), peaks.end());
            // Processor time of the program up to that moment (its own process; on a shared machine
            // the wall time is mostly the wait for a core).
            std::printf("start-up %-9s %-5s median %.0f ms of %d runs (processor %.0f ms), peak resident %.1f MB\n",
                        name.c_str(), list, Median(times), runs, Median(cpuTimes), peak);
            figure += bench::Format("%s%s %.0f ms (cpu %.0f) %.0f MB", figure.empty() ? "" : "; ",
                                    std::strcmp(list, "empty") == 0 ? "empty" : "10,000", Median(times),
                                    Median(cpuTimes), peak);
            holds = holds && peak < 50.0 && (std::strcmp(list, "empty") == 0 || Median(times) < 100.0);
        }
        bench::PrintRow(name == "offscreen" ? "7a" : "7b", name + ": " + figure,
                        "< 100 ms with 10,000 records, < 50 MB", holds);
        allHold = allHold && holds;
    }
    if (platforms.size() == 1)
        bench::PrintRow("7b", "not measured: no X server (Xvfb)", "< 100 ms with 10,000 records, < 50 MB", false);
    std::filesystem::remove_all(base);
    return 0;
}

// Processor ticks (user + system) and context switches of each thread of `pid`, by thread id.
struct ThreadUse {
    unsigned long long ticks = 0;
    unsigned long long switches = 0;
};
std::map<std::string, ThreadUse> ProcessUse(pid_t pid) {
    std::map<std::string, ThreadUse> threads;
    const std::string task = "/proc/" + std::to_string(pid) + "/task";
    DIR* dir = opendir(task.c_str());
    if (!dir)
        return threads;
    while (dirent* entry = readdir(dir)) {
        if (entry->d_name[0] == '.')
            continue;
        ThreadUse use;
        std::ifstream stat(task + "/" + entry->d_name + "/stat");
        std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
        const size_t close = text.rfind(')');
        if (close == std::string::npos)
            continue;
        std::istringstream fields(text.substr(close + 2));
        std::string field;
        // Fields after the name: state is field 3; utime and stime are fields 14 and 15.
        for (int i = 3; i <= 15 && fields >> field; ++i) {
            if (i == 14 || i == 15)
                use.ticks += std::stoull(field);
        }
        std::ifstream status(task + "/" + entry->d_name + "/status");
        for (std::string line; std::getline(status, line);) {
            if (line.rfind("voluntary_ctxt_switches:", 0) == 0 || line.rfind("nonvoluntary_ctxt_switches:", 0) == 0)
                use.switches += std::stoull(line.substr(line.find(':') + 1));
        }
        threads[entry->d_name] = use;
    }
    closedir(dir);
    return threads;
}

// What the threads used between two looks; a thread that came meanwhile counts whole.
ThreadUse UsedBetween(const std::map<std::string, ThreadUse>& before, const std::map<std::string, ThreadUse>& after) {
    ThreadUse used;
    for (const auto& [tid, use] : after) {
        const auto it = before.find(tid);
        const ThreadUse base = it == before.end() ? ThreadUse{} : it->second;
        used.ticks += use.ticks - std::min(use.ticks, base.ticks);
        used.switches += use.switches - std::min(use.switches, base.switches);
    }
    return used;
}

// Time for the window's start to settle before the idle stretch is measured (see Idle).
constexpr unsigned kSettleSeconds = 35;

int Idle(const char* self, int seconds) {
    char dirTemplate[] = "/tmp/faxdesk-bench-XXXXXX";
    if (!mkdtemp(dirTemplate))
        return 1;
    const std::string dir = std::string(dirTemplate) + "/full";
    MakeProgramDir(dir, kRecords);
    const char* x = std::getenv("FAXDESK_BENCH_XDISPLAY");
    const std::string platform = x && *x ? x : "offscreen";
    Started started;
    double ms = 0, peak = 0;
    const bool ok = StartChild(self, dir, platform, true, started, ms, peak);
    if (!ok) {
        EndChild(started);
        bench::PrintRow("8", "no main window painted", "no wake-up, 0 system calls", false);
        return 1;
    }
    // Qt tidies up once, 30 s after the window was painted: the GUI's thread pool ends the threads
    // that helped with the first large fills, and the pixmap cache's flush timer fires and stops.
    // That settling is counted apart; the idle stretch starts after it.
    const auto settleStart = ProcessUse(started.pid);
    ::sleep(kSettleSeconds);
    const ThreadUse settling = UsedBetween(settleStart, ProcessUse(started.pid));
    // strace counts the system calls of every thread over the idle stretch, when it is there.
    pid_t tracer = -1;
    const std::string summary = std::string(dirTemplate) + "/strace.txt";
    if (::access("/usr/bin/strace", X_OK) == 0) {
        const std::string pid = std::to_string(started.pid);
        std::vector<std::string> args = {"strace", "-c", "-f", "-q", "-o", summary, "-p", pid};
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        if (posix_spawn(&tracer, "/usr/bin/strace", nullptr, nullptr, argv.data(), environ) != 0)
            tracer = -1;
        ::sleep(1); // attached
    }
    const auto before = ProcessUse(started.pid);
    const uint64_t start = MonotonicNs();
    ::sleep(unsigned(seconds));
    const ThreadUse used = UsedBetween(before, ProcessUse(started.pid));
    const double wall = double(MonotonicNs() - start) / 1e9;
    long syscalls = -1;
    if (tracer > 0) {
        ::kill(tracer, SIGINT);
        int status = 0;
        waitpid(tracer, &status, 0);
        std::ifstream in(summary);
        for (std::string line; std::getline(in, line);) {
            if (line.find("total") != std::string::npos) {
                std::istringstream fields(line);
                std::string a, b, c;
                long calls = 0;
                fields >> a >> b >> c >> calls;
                syscalls = calls;
            }
        }
        if (syscalls < 0)
            syscalls = 0; // strace prints no table when nothing was called
    }
    EndChild(started);
    const double cpu = double(used.ticks) / double(sysconf(_SC_CLK_TCK));
    const unsigned long long wakeUps = used.switches;
    const std::string name = platform == "offscreen" ? "offscreen" : "Xvfb";
    std::printf("idle main window (%s, 10,000 records): %llu wake-ups in the first %u s after painting; then over "
                "%.0f s: cpu %.3f s = %.3f %% of one core, %llu wake-ups, %ld system calls\n",
                name.c_str(), static_cast<unsigned long long>(settling.switches), kSettleSeconds, wall, cpu,
                100.0 * cpu / wall, wakeUps, syscalls);
    bench::PrintRow("8",
                    bench::Format("%s, %.0f s: %.3f %% of a core, %llu wake-ups, %ld system calls (Qt's one-off "
                                  "tidy-up 30 s after painting: %llu)",
                                  name.c_str(), wall, 100.0 * cpu / wall, wakeUps, syscalls,
                                  static_cast<unsigned long long>(settling.switches)),
                    "no wake-up", wakeUps == 0);
    std::filesystem::remove_all(dirTemplate);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    // Children are started by this executable's own path, whatever the current directory.
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    if (mode == "records")
        return Records(argc, argv);
    if (mode == "child" && argc > 2)
        return Child(argc, argv);
    if (mode == "start-up")
        return StartUp(self.c_str(), argc > 2 ? std::max(1, std::atoi(argv[2])) : 5);
    if (mode == "idle")
        return Idle(self.c_str(), argc > 2 ? std::max(1, std::atoi(argv[2])) : 60);
    std::fprintf(stderr, "usage: bench_window records | start-up [runs] | idle [seconds] | child DIR [--idle]\n");
    return 2;
}
