// SPDX-License-Identifier: GPL-3.0-or-later
// quorra-modem-sim: the Quorra modem model served on a pseudo-terminal, for running the program and
// the integration tests without the modem.
#include "core/platform/ProfileFile.h"
#include "sim/QuorraModem.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iostream>
#include <poll.h>
#include <sstream>
#include <string>
#include <sys/inotify.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace {

volatile std::sig_atomic_t g_stop = 0; // set by SIGTERM/SIGINT only

void OnSignal(int) {
    g_stop = 1;
}

const char kHelp[] = R"(Usage: quorra-modem-sim [options]

Serves a simulated Quorra voice/fax modem on a pseudo-terminal at 115200 bit/s (11,520 bytes per
second, 8N1) and prints the device path as the first line on standard output. Runs until SIGTERM or
SIGINT.

Options:
  --ini FILE             write the device path into section "PORTS" of FILE as COM1 (the
                         program's RERAVA.INI), so the program finds the modem there
  --com2                 with --ini: write it as COM2 instead
  --fax ID:RES:FILE[,FILE...]
                         a stored fax: sender identification, resolution (1 or fine, 0 or normal)
                         and its pages. A file holds raw T.4 data (most significant bit first), one
                         page or several each ended by RTC, or a PBM image (encoded with pbmtog3).
                         Repeat for more faxes; they play back in order.
  --slot N=TEXT          text of numbered slot N (0-99)
  --call NUMBER:hhmmMMDD a caller-ID record (up to fifteen are listed by AT&V)
  --fault KIND:COMMAND[:N[:ARG]]
                         a scripted fault on the commands that begin with COMMAND (DC2 for the
                         start of page data, * for every command), on every one (N 0 or absent)
                         or only the N-th. KIND is one of
                           noack    no answer, the command is ignored
                           error    answered ERROR, the command is ignored
                           late     answered ARG milliseconds after its carriage return
                           garbage  ARG (C escapes such as \xff allowed) sent before the answer
                           cut      page data stops after ARG bytes, no DLE ETX, no OK
                           silence  from this command on the modem answers nothing
                           drop     the line goes away (after ARG page bytes for DC2); the
                                    simulator closes the pseudo-terminal and ends
                           trickle  (DC2 only) the page's data a byte every ARG milliseconds
  --scenario FILE        more of the above, one per line without the leading dashes
                         ("fax 1234:1:page.t4"); blank lines and lines starting with # are skipped
  --answer-delay MS      ATA to the answer report (default 300)
  --ring-delay MS        ATG to RING (default 1500)
  --listing-delay MS     AT&V to the caller listing (default 250)
  --pacing MS            a modem that needs the fixed waits: a command that comes less than MS
                         after the previous one is dropped unanswered (default 0: never)
  --exit-after-idle SEC  end after SEC seconds in which the computer sent nothing
  --strict               answer with the least the modem promises: no "+FCON", "+FPTS", "+FET" or
                         "+FHNG" lines, each line of an answer a write of its own, the sender
                         identification unpadded, pages without their RTC
  --verbose              log every byte of the dialogue on standard error
  --help                 this text
)";

std::string Unescape(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out.push_back(text[i]);
            continue;
        }
        const char c = text[++i];
        if (c == 'r')
            out.push_back('\r');
        else if (c == 'n')
            out.push_back('\n');
        else if (c == 'x' && i + 2 < text.size() + 1) {
            out.push_back(static_cast<char>(std::strtol(text.substr(i + 1, 2).c_str(), nullptr, 16)));
            i += 2;
        } else
            out.push_back(c);
    }
    return out;
}

std::string Escape(std::string_view bytes) {
    std::string out;
    for (const char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else if (u < 0x20 || u >= 0x7f) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02x", u);
            out += hex;
        } else
            out.push_back(c);
    }
    return out;
}

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(text);
    while (std::getline(in, part, separator))
        parts.push_back(part);
    return parts;
}

bool ReadPageFile(const std::string& path, std::string& data) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream bytes;
    bytes << in.rdbuf();
    data = bytes.str();
    if (data.size() >= 2 && data[0] == 'P' && (data[1] == '1' || data[1] == '4')) {
        // A PBM image: encode it the way a fax machine would have sent it.
        std::string quoted = "'";
        for (const char c : path)
            quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
        quoted += "'";
        FILE* pipe = ::popen(("pbmtog3 " + quoted + " 2>/dev/null").c_str(), "r");
        if (!pipe)
            return false;
        data.clear();
        char buffer[4096];
        size_t got;
        while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
            data.append(buffer, got);
        return ::pclose(pipe) == 0 && !data.empty();
    }
    return true;
}

struct Options {
    std::string ini;
    bool com2 = false;
    bool verbose = false;
    int exitAfterIdle = 0;
};

bool Apply(const std::string& name, const std::string& value, quorra::QuorraModem& modem, Options& options) {
    if (name == "fax") {
        const size_t first = value.find(':');
        const size_t second = first == std::string::npos ? first : value.find(':', first + 1);
        if (second == std::string::npos)
            return false;
        quorra::StoredFax fax;
        fax.id = value.substr(0, first);
        const std::string res = value.substr(first + 1, second - first - 1);
        fax.fine = res == "1" || res == "fine";
        for (const std::string& file : Split(value.substr(second + 1), ',')) {
            std::string data;
            if (!ReadPageFile(file, data)) {
                std::cerr << "quorra-modem-sim: cannot read page file " << file << "\n";
                return false;
            }
            for (std::string& page : quorra::SplitPagesAtRtc(data))
                fax.pages.push_back(std::move(page));
        }
        modem.AddFax(std::move(fax));
    } else if (name == "slot") {
        const size_t equals = value.find('=');
        if (equals == std::string::npos)
            return false;
        modem.SetSlot(std::atoi(value.substr(0, equals).c_str()), value.substr(equals + 1));
    } else if (name == "call") {
        const size_t colon = value.find(':');
        if (colon == std::string::npos)
            return false;
        modem.AddCall({value.substr(0, colon), value.substr(colon + 1)});
    } else if (name == "fault") {
        const std::vector<std::string> parts = Split(value, ':');
        if (parts.size() < 2)
            return false;
        static const std::pair<const char*, quorra::FaultKind> kKinds[] = {
            {"noack", quorra::FaultKind::NoAck},   {"error", quorra::FaultKind::Error},
            {"late", quorra::FaultKind::Late},     {"garbage", quorra::FaultKind::Garbage},
            {"cut", quorra::FaultKind::CutPage},   {"silence", quorra::FaultKind::Silence},
            {"drop", quorra::FaultKind::LineDrop}, {"trickle", quorra::FaultKind::Trickle}};
        quorra::Fault fault;
        bool known = false;
        for (const auto& [word, kind] : kKinds)
            if (parts[0] == word) {
                fault.kind = kind;
                known = true;
            }
        if (!known)
            return false;
        fault.command = parts[1] == "DC2" ? std::string(1, '\x12') : parts[1] == "*" ? std::string() : parts[1];
        fault.occurrence = parts.size() > 2 ? std::atoi(parts[2].c_str()) : 0;
        const std::string arg = parts.size() > 3 ? parts[3] : std::string();
        fault.delayMs = static_cast<uint32_t>(std::strtoul(arg.c_str(), nullptr, 10));
        fault.afterBytes = std::strtoul(arg.c_str(), nullptr, 10);
        fault.bytes = Unescape(arg);
        modem.AddFault(std::move(fault));
    } else if (name == "answer-delay") {
        modem.Timing().answerDelayMs = static_cast<uint32_t>(std::atoi(value.c_str()));
    } else if (name == "ring-delay") {
        modem.Timing().ringDelayMs = static_cast<uint32_t>(std::atoi(value.c_str()));
    } else if (name == "listing-delay") {
        modem.Timing().listingDelayMs = static_cast<uint32_t>(std::atoi(value.c_str()));
    } else if (name == "pacing") {
        modem.Timing().commandGapMs = static_cast<uint32_t>(std::atoi(value.c_str()));
    } else if (name == "ini") {
        options.ini = value;
    } else if (name == "exit-after-idle") {
        options.exitAfterIdle = std::atoi(value.c_str());
    } else if (name == "scenario") {
        std::ifstream in(value);
        if (!in)
            return false;
        std::string line;
        while (std::getline(in, line)) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            if (line.empty() || line[0] == '#')
                continue;
            const size_t space = line.find(' ');
            if (!Apply(line.substr(0, space), space == std::string::npos ? "" : line.substr(space + 1), modem,
                       options)) {
                std::cerr << "quorra-modem-sim: bad scenario line: " << line << "\n";
                return false;
            }
        }
    } else {
        return false;
    }
    return true;
}

uint64_t NowNs() {
    using namespace std::chrono;
    return static_cast<uint64_t>(duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count());
}

} // namespace

int main(int argc, char** argv) {
    quorra::QuorraModem modem;
    Options options;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::cout << kHelp;
            return 0;
        }
        if (arg == "--verbose") {
            options.verbose = true;
            continue;
        }
        if (arg == "--com2") {
            options.com2 = true;
            continue;
        }
        if (arg == "--strict") {
            modem.SetStrict(true);
            continue;
        }
        if (arg.rfind("--", 0) != 0 || i + 1 >= argc || !Apply(arg.substr(2), argv[i + 1], modem, options)) {
            std::cerr << "quorra-modem-sim: bad option " << arg << " (see --help)\n";
            return 2;
        }
        ++i;
    }

    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) {
        std::perror("quorra-modem-sim: pseudo-terminal");
        return 1;
    }
    const std::string device = ::ptsname(master);
    // Our own hold on the terminal's other side, so that the line does not hang up between the
    // program's opens of the port.
    const int slave = ::open(device.c_str(), O_RDWR | O_NOCTTY);
    if (slave < 0) {
        std::perror("quorra-modem-sim: open terminal");
        return 1;
    }
    termios raw{};
    ::tcgetattr(slave, &raw);
    ::cfmakeraw(&raw);
    ::cfsetspeed(&raw, B115200);
    ::tcsetattr(slave, TCSANOW, &raw);
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);

    if (!options.ini.empty() && !profile::WriteString(options.ini, "PORTS", options.com2 ? "COM2" : "COM1", device)) {
        std::cerr << "quorra-modem-sim: cannot write " << options.ini << "\n";
        return 1;
    }
    std::cout << device << std::endl;

    if (options.verbose)
        modem.SetMonitor(
            [](char direction, std::string_view bytes) { std::cerr << direction << ' ' << Escape(bytes) << '\n'; });

    std::signal(SIGTERM, OnSignal);
    std::signal(SIGINT, OnSignal);
    std::signal(SIGPIPE, SIG_IGN);

    // The program's closes of the port (its DTR dropping): the terminal's own closes, seen by
    // inotify, since our own hold on the terminal keeps the line from hanging up.
    const int closes = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (closes >= 0)
        ::inotify_add_watch(closes, device.c_str(), IN_CLOSE_WRITE);

    std::string pending; // taken from the model, not yet accepted by the terminal
    uint64_t lastHeard = NowNs();
    constexpr uint64_t kMinWakeNs = 2000000; // output leaves in slices of about two milliseconds
    while (!g_stop) {
        uint64_t now = NowNs();
        int timeoutMs = 200;
        if (!pending.empty()) {
            timeoutMs = 2;
        } else if (const auto next = modem.NextOutputNs()) {
            const uint64_t wait = *next > now ? std::max(*next - now, kMinWakeNs) : 0;
            timeoutMs = static_cast<int>(std::min<uint64_t>((wait + 999999) / 1000000, 200));
        }
        pollfd fds[2] = {{master, POLLIN, 0}, {closes, POLLIN, 0}};
        ::poll(fds, closes >= 0 ? 2 : 1, timeoutMs);
        const pollfd& fd = fds[0];
        now = NowNs();
        if (closes >= 0 && (fds[1].revents & POLLIN)) {
            char events[4096];
            if (::read(closes, events, sizeof events) > 0) {
                pending.clear();
                modem.HostDroppedDtr();
            }
        }
        if (fd.revents & POLLIN) {
            char buffer[4096];
            const ssize_t got = ::read(master, buffer, sizeof buffer);
            if (got > 0) {
                modem.Receive(std::string_view(buffer, static_cast<size_t>(got)), now);
                lastHeard = now;
            }
        }
        if (pending.empty() && modem.NextOutputNs() && *modem.NextOutputNs() <= now) {
            modem.TakeOutput(now, 4096, pending);
        }
        while (!pending.empty()) {
            const ssize_t put = ::write(master, pending.data(), pending.size());
            if (put <= 0)
                break; // the terminal's buffer is full; the rest waits, as behind a dropped CTS
            pending.erase(0, static_cast<size_t>(put));
        }
        if (modem.LineDown() && pending.empty()) {
            if (options.verbose)
                std::cerr << "quorra-modem-sim: the line goes away\n";
            break;
        }
        if (options.exitAfterIdle > 0 && now - lastHeard > uint64_t(options.exitAfterIdle) * 1000000000ULL)
            break;
    }
    if (closes >= 0)
        ::close(closes);
    ::close(slave);
    ::close(master);
    return 0;
}
