// SPDX-License-Identifier: GPL-3.0-or-later
// faxdesk --read-faxes killed with SIGKILL at every step between a fax's first page and the removal
// of its capture: every file system call of that stretch (the capture's page ends and its close, the
// page file's creation, writes and sync, the reading and the save of RERAVA.INI, the rename, the
// removal of the capture) and every command to the modem in it. strace stops the real program at
// the chosen call (its fault injection: the call is never made). Then a normal read on the same
// modem must end with the fax recorded exactly once, whole, in a page file libtiff reads without a
// word, and nothing left in the spool: whether the modem had given the fax away or not.
#include "core/fax/FaxRecordStore.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

const std::string kFaxdesk = FAXDESK_BINARY_DIR "/src/faxdesk";
const std::string kPages = FAXDESK_TEST_DATA_DIR "/pages/";
// The calls that make up the stretch; "write" also covers the commands to the modem, "writev" and
// "pwrite64" the C library's buffered writes.
const char* const kCalls = "openat,fdatasync,fsync,rename,unlink,write,writev,pwrite64";

// Starts `argv` with standard output into `outPath` and standard error into `errPath`, the
// runtime directory `runtimeDir` and no display (posix_spawn: safe beside the test's other threads).
pid_t Spawn(const std::vector<std::string>& argv, const std::string& runtimeDir, const std::string& outPath,
            const std::string& errPath) {
    std::vector<std::string> environment;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        if (entry.rfind("XDG_RUNTIME_DIR=", 0) != 0 && entry.rfind("DISPLAY=", 0) != 0 &&
            entry.rfind("WAYLAND_DISPLAY=", 0) != 0)
            environment.push_back(entry);
    }
    environment.push_back("XDG_RUNTIME_DIR=" + runtimeDir);
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    std::vector<char*> envp;
    for (const std::string& e : environment)
        envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    pid_t pid = -1;
    if (posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), envp.data()) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// Runs `argv` with its output (standard error too) into `outPath` and waits for it; the status as
// waitpid gives it, or -1.
int RunAndWait(const std::vector<std::string>& argv, const std::string& runtimeDir, const std::string& outPath) {
    const pid_t pid = Spawn(argv, runtimeDir, outPath, outPath);
    int status = -1;
    if (pid > 0)
        ::waitpid(pid, &status, 0);
    return status;
}

// A program directory with the installation mark and an earlier fax listed, and quorra-modem-sim
// holding one two-page fax, its pseudo-terminal as COM1. Stops the simulator when it goes.
class Place {
public:
    // `more`: further options of the simulator.
    explicit Place(const std::vector<std::string>& more = {}) : m_dir(testsupport::MakeTempDir()) {
        ::mkdir((m_dir + "run").c_str(), 0700);
        testsupport::WriteFile(m_dir + "RERAVA.INI", "[DEZAZAZE]\r\nINSTALL=1\r\n");
        const std::string fax = "     +86 10 87654321:1:" + kPages + "black-line-fill.g3," + kPages + "black-line.g3";
        std::vector<std::string> sim = {FAXDESK_SIM_EXECUTABLE,
                                        "--ini",
                                        m_dir + "RERAVA.INI",
                                        "--ring-delay",
                                        "20",
                                        "--answer-delay",
                                        "20",
                                        "--fax",
                                        fax};
        sim.insert(sim.end(), more.begin(), more.end());
        m_sim = Spawn(sim, m_dir + "run", m_dir + "sim.out", m_dir + "sim.log");
        // The simulator prints its device after it has written it into RERAVA.INI.
        for (int i = 0; i < 200 && testsupport::ReadFile(m_dir + "sim.out").empty(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        // A save of RERAVA.INI that is not all or nothing can lose the records already there.
        FaxRecordStore store;
        store.OpenStoreAt(m_dir + "RERAVA.INI");
        EXPECT_TRUE(testsupport::MakeFaxPageFile(m_dir + "EARLIER.TIF", true, {"checker"}));
        EXPECT_TRUE(store.AppendRecord(m_dir + "EARLIER.TIF", "2024/01/02  03:04:05", "EARLIER", 1, true));
    }
    ~Place() {
        if (m_sim > 0) {
            ::kill(m_sim, SIGTERM);
            ::waitpid(m_sim, nullptr, 0);
        }
    }
    Place(const Place&) = delete;
    Place& operator=(const Place&) = delete;

    const std::string& Dir() const { return m_dir; }
    // faxdesk --read-faxes on this place, under `prefix` (strace) when given.
    int Read(const std::vector<std::string>& prefix, const std::string& out) const {
        std::vector<std::string> argv = prefix;
        argv.insert(argv.end(), {kFaxdesk, "--read-faxes", "--program-directory", m_dir});
        return RunAndWait(argv, m_dir + "run", m_dir + out);
    }
    // The same, started and left running.
    pid_t StartRead(const std::string& out) const {
        return Spawn({kFaxdesk, "--read-faxes", "--program-directory", m_dir}, m_dir + "run", m_dir + out, m_dir + out);
    }

private:
    std::string m_dir;
    pid_t m_sim = -1;
};

struct Point {
    std::string call;   // the system call, as strace names it
    int occurrence;     // the how-many-th of its name in the program's run
    std::string line;   // as the run without a kill traced it
    std::string target; // the file it works on, where its descriptor was opened in the stretch
};

// The calls of a whole read from the capture's creation to its removal, each with the how-many-th
// of its name it is. The capture's own appends during the pages are left out (a kill there is a
// kill in a page, which the modem survives by playing the fax again).
std::vector<Point> StretchOf(const std::string& trace) {
    std::vector<Point> points;
    std::map<std::string, int> seen;
    std::istringstream lines(trace);
    std::string line;
    bool inside = false;
    std::map<std::string, std::string> files; // descriptor -> path, as opened
    while (std::getline(lines, line)) {
        const size_t paren = line.find('(');
        if (paren == std::string::npos || line.rfind("+++", 0) == 0 || line.rfind("---", 0) == 0)
            continue;
        const std::string call = line.substr(0, paren);
        const int occurrence = ++seen[call];
        const bool capture = line.find("/.spool/TAM") != std::string::npos;
        if (call == "openat" && capture && line.find("O_CREAT") != std::string::npos)
            inside = true;
        if (!inside)
            continue;
        std::string target;
        // openat, rename and unlink name their file; the others work on a descriptor.
        const bool named = call == "openat" || call == "rename" || call == "unlink";
        if (const size_t quote = line.find('"'); quote != std::string::npos && named) {
            target = line.substr(quote + 1, line.find('"', quote + 1) - quote - 1);
            if (line.find("O_DIRECTORY") != std::string::npos && target.back() != '/')
                target += '/';
            if (call == "openat")
                files[line.substr(line.rfind("= ") + 2)] = target;
        } else if (const auto file = files.find(line.substr(paren + 1, line.find_first_of(",)", paren) - paren - 1));
                   file != files.end()) {
            target = file->second;
        }
        // A descriptor is known by the file it was last opened for: the capture's number is taken
        // by other files once the capture is closed.
        if (call == "write" && target.find("/.spool/TAM") != std::string::npos)
            continue;
        points.push_back({call, occurrence, line.substr(0, 100), target});
        if (call == "unlink" && capture)
            break;
    }
    return points;
}

// What a killed read and the normal read after it left: empty when the earlier fax is still listed,
// the fax is recorded exactly once and whole, and nothing waits in the spool, else what is wrong.
std::string Damage(const std::string& dir) {
    FaxRecordStore store;
    store.OpenStoreAt(dir + "RERAVA.INI");
    std::vector<FaxRecord> records;
    store.LoadRecords([&records](const FaxRecord& record) { records.push_back(record); });
    if (records.size() != 2)
        return std::to_string(records.size()) + " records";
    if (records[0].id != "EARLIER" || records[0].file != dir + "EARLIER.TIF")
        return "the earlier record is gone";
    const FaxRecord& record = records[1];
    if (record.page != "2" || !record.incomplete.empty())
        return "Page=" + record.page + " Incomplete=" + record.incomplete;
    if (testsupport::TiffPages(record.file) != 2)
        return "page file " + record.file + " does not hold 2 pages";
    const std::string check = dir + "tiffinfo.err";
    if (std::system(("tiffinfo -D '" + record.file + "' >/dev/null 2>'" + check + "'").c_str()) != 0 ||
        !testsupport::ReadFile(check).empty())
        return "libtiff: " + testsupport::ReadFile(check);
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(dir + ".spool", error))
        return "left in the spool: " + entry.path().filename().string();
    for (const auto& entry : fs::directory_iterator(dir)) {
        const std::string name = entry.path().filename().string();
        if (entry.path().extension() == ".TAM" ||
            (entry.path().extension() == ".TIF" && entry.path() != record.file && name != "EARLIER.TIF"))
            return "left in the program directory: " + name;
    }
    return {};
}

bool StraceWorks() {
    const std::string dir = testsupport::MakeTempDir();
    const int status =
        RunAndWait({"strace", "-o", "/dev/null", "-e", "inject=none:signal=SIGKILL", "true"}, dir, dir + "out");
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST(KillPoints, AReadKilledAtAnyStepAfterTheFirstPageLosesNoFaxAndRecordsNoneTwice) {
    if (!StraceWorks())
        GTEST_SKIP() << "strace cannot trace here (not installed, or ptrace not allowed)";

    std::vector<Point> points;
    {
        Place place;
        const std::string trace = place.Dir() + "trace";
        const int status = place.Read({"strace", "-o", trace, "-e", std::string("trace=") + kCalls}, "out");
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << testsupport::ReadFile(place.Dir() + "out");
        ASSERT_EQ(Damage(place.Dir()), "");
        points = StretchOf(testsupport::ReadFile(trace));
    }
    // The stretch holds the page ends, the page file, the save and the capture's removal.
    ASSERT_GE(points.size(), 10u);
    EXPECT_EQ(points.back().call, "unlink");

    // Each point in a place and on a modem of its own, a few at a time: the reads mostly wait.
    constexpr size_t kAtOnce = 6;
    std::vector<std::string> failures(points.size());
    for (size_t first = 0; first < points.size(); first += kAtOnce) {
        std::vector<std::future<void>> running;
        for (size_t i = first; i < std::min(points.size(), first + kAtOnce); ++i) {
            running.push_back(std::async(std::launch::async, [&points, &failures, i] {
                const Point& point = points[i];
                Place place;
                const std::string inject =
                    "inject=" + point.call + ":signal=SIGKILL:when=" + std::to_string(point.occurrence);
                const int killed =
                    place.Read({"strace", "-o", "/dev/null", "-e", "trace=" + point.call, "-e", inject}, "killed.out");
                if (!WIFSIGNALED(killed) || WTERMSIG(killed) != SIGKILL) {
                    failures[i] = "not killed there";
                    return;
                }
                const int next = place.Read({}, "next.out");
                if (!WIFEXITED(next) || (WEXITSTATUS(next) != 0 && WEXITSTATUS(next) != 2)) {
                    failures[i] = "the next read ended with " + std::to_string(next) + ": " +
                                  testsupport::ReadFile(place.Dir() + "next.out");
                    return;
                }
                failures[i] = Damage(place.Dir());
            }));
        }
        for (auto& run : running)
            run.get();
    }
    std::ostringstream report;
    size_t lost = 0;
    for (size_t i = 0; i < points.size(); ++i) {
        report << (failures[i].empty() ? "ok    " : "FAIL  ") << points[i].call << " #" << points[i].occurrence << "  "
               << points[i].line << (failures[i].empty() ? "" : "\n      " + failures[i]) << '\n';
        lost += failures[i].empty() ? 0 : 1;
    }
    std::cout << report.str();
    EXPECT_EQ(lost, 0u) << report.str();

    // The figures for docs/robustness.md (scripts/update-robustness): each kind of step, its kills,
    // and the faxes lost or recorded twice.
    std::map<std::string, std::pair<int, int>> byStep; // kills, lost
    for (size_t i = 0; i < points.size(); ++i) {
        const std::string& line = points[i].line;
        const std::string& target = points[i].target;
        std::string step = points[i].call;
        if (target.find("/.spool/TAM") != std::string::npos)
            step += " of the capture";
        else if (target.find(".TIF") != std::string::npos)
            step += " of the page file";
        else if (target.find("RERAVA.INI") != std::string::npos)
            step += " of RERAVA.INI";
        else if (line.find("AT+FDR") != std::string::npos || line.find("\\22") != std::string::npos)
            step += " to the modem";
        else if (line.find("O_DIRECTORY") != std::string::npos || (!target.empty() && target.back() == '/'))
            step += " of the program directory";
        else
            step += " (other: the event loop's wake-ups, the time zone, the progress line)";
        byStep[step].first += 1;
        byStep[step].second += failures[i].empty() ? 0 : 1;
    }
    fs::create_directories(FAXDESK_BINARY_DIR "/robustness");
    std::ofstream md(FAXDESK_BINARY_DIR "/robustness/kill-points.md");
    md << "| System call killed at (SIGKILL before it is made) | Kills | Faxes lost or recorded twice |\n"
       << "|---|---:|---:|\n";
    for (const auto& [step, counts] : byStep)
        md << "| " << step << " | " << counts.first << " | " << counts.second << " |\n";
    md << "| **all steps from the capture's creation to its removal** | **" << points.size() << "** | **" << lost
       << "** |\n";
}

} // namespace

// SIGTERM (systemd stopping the unit), SIGINT and SIGHUP in the middle of a page: the read ends at
// once and cleanly, the modem set back to data mode and the port closed, nothing left in the spool
// (the modem still holds the fax), and the next read brings the fax whole.
TEST(Signals, ASignalInAPageEndsTheReadCleanlyAndTheFaxStaysInTheModem) {
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(signal);
        // The first page comes a byte every 20 ms: ten seconds for its 512 bytes.
        const Place place({"--fault", "trickle:DC2:1:20", "--verbose"});
        const pid_t read = place.StartRead("stopped.out");
        ASSERT_GT(read, 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        ::kill(read, signal);
        const auto sent = std::chrono::steady_clock::now();
        int status = -1;
        ::waitpid(read, &status, 0);
        EXPECT_LT(std::chrono::steady_clock::now() - sent, std::chrono::seconds(5)) << "ended at once";
        ASSERT_TRUE(WIFEXITED(status)) << "ended by itself, not by the signal";
        EXPECT_EQ(WEXITSTATUS(status), 128 + signal);
        const std::string said = testsupport::ReadFile(place.Dir() + "stopped.out");
        EXPECT_NE(said.find("中止"), std::string::npos) << said;
        const std::string dialogue = testsupport::ReadFile(place.Dir() + "sim.log");
        const size_t page = dialogue.find("\\x12");
        EXPECT_NE(dialogue.find("AT+FCLASS=0", page == std::string::npos ? 0 : page), std::string::npos)
            << "the modem set back to data mode after the page:\n"
            << dialogue.substr(dialogue.size() > 3000 ? dialogue.size() - 3000 : 0);
        std::error_code error;
        EXPECT_TRUE(fs::is_empty(place.Dir() + ".spool", error) || error) << "nothing left in the spool";

        if (signal != SIGTERM)
            continue; // the next read, once is enough
        EXPECT_EQ(place.Read({}, "again.out"), 0) << testsupport::ReadFile(place.Dir() + "again.out");
        FaxRecordStore store;
        store.OpenStoreAt(place.Dir() + "RERAVA.INI");
        std::vector<FaxRecord> records;
        store.LoadRecords([&records](const FaxRecord& record) { records.push_back(record); });
        ASSERT_EQ(records.size(), 2u) << "the earlier fax and this one";
        EXPECT_EQ(records[1].page, "2");
    }
}
