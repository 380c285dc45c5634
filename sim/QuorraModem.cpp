// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/QuorraModem.h"

#include <algorithm>
#include <cctype>

namespace quorra {

namespace {

constexpr char kDLE = 0x10;
constexpr char kETX = 0x03;
constexpr char kDC2 = 0x12;
constexpr size_t kMaxLine = 512; // a longer command line is cut; its rest is dropped
constexpr uint64_t kNsPerMs = 1000000;

const std::string kOk = "\r\nOK\r\n";
const std::string kError = "\r\nERROR\r\n";

// The settings commands the modem keeps until "AT&W" stores them.
constexpr std::string_view kSettingNames[] = {"#RING", "#PASS", "#TS",   "#VSM",  "#CS", "#FAX",
                                              "#FLID", "#DATE", "#TIME", "+VCID", "#RTC"};

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

std::string Upper(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

std::string Line(std::string_view text) {
    return "\r\n" + std::string(text) + "\r\n";
}

// True when the bytes hold eleven zero bits in a row closed by a one.
bool HoldsEol(const std::string& bytes) {
    int zeros = 0;
    for (const char c : bytes) {
        for (int bit = 7; bit >= 0; --bit) {
            if ((static_cast<unsigned char>(c) >> bit) & 1) {
                if (zeros >= 11)
                    return true;
                zeros = 0;
            } else {
                ++zeros;
            }
        }
    }
    return false;
}

std::string HexKey(int value) {
    static const char kDigits[] = "0123456789ABCDEF";
    return {kDigits[(value >> 4) & 15], kDigits[value & 15]};
}

} // namespace

QuorraModem::QuorraModem(ModemTiming timing) : m_timing(timing) {}

void QuorraModem::AddFax(StoredFax fax) {
    m_faxes.push_back(std::move(fax));
}

void QuorraModem::SetSlot(int slot, std::string text) {
    m_slots[slot] = std::move(text);
}

std::string QuorraModem::Slot(int slot) const {
    const auto it = m_slots.find(slot);
    return it == m_slots.end() ? std::string() : it->second;
}

void QuorraModem::AddCall(CallRecord record) {
    m_calls.push_back(std::move(record));
}

void QuorraModem::AddFault(Fault fault) {
    m_faults.push_back({std::move(fault), 0});
}

std::string QuorraModem::StoredSetting(const std::string& name) const {
    const auto it = m_stored.find(name);
    return it == m_stored.end() ? std::string() : it->second;
}

std::string QuorraModem::PendingSetting(const std::string& name) const {
    const auto it = m_pending.find(name);
    return it == m_pending.end() ? std::string() : it->second;
}

uint64_t QuorraModem::ByteNs() const {
    return 1000000000ULL / std::max<uint32_t>(1, m_timing.bytesPerSecond);
}

void QuorraModem::Queue(std::string bytes, uint64_t releaseNs, bool dropAfter) {
    if (m_lineDown || !m_endless.empty() || (bytes.empty() && !dropAfter))
        return;
    m_out.push_back({releaseNs, std::move(bytes), 0, dropAfter});
}

// The strict modem sends each line of an answer as a write of its own, a millisecond after the
// line before it has gone out.
void QuorraModem::QueueReply(std::string bytes, uint64_t releaseNs) {
    if (!m_strict) {
        Queue(std::move(bytes), releaseNs);
        return;
    }
    size_t start = 0;
    while (start < bytes.size()) {
        const size_t text = bytes.find_first_not_of("\r\n", start);
        size_t end = text == std::string::npos ? std::string::npos : bytes.find("\r\n", text);
        end = end == std::string::npos ? bytes.size() : end + 2;
        Queue(bytes.substr(start, end - start), releaseNs);
        releaseNs += (end - start) * ByteNs() + kNsPerMs;
        start = end;
    }
}

void QuorraModem::SendRaw(std::string bytes, uint64_t atNs) {
    Queue(std::move(bytes), atNs);
}

void QuorraModem::DropLine() {
    m_lineDown = true;
    m_out.clear();
}

void QuorraModem::HostDroppedDtr() {
    m_out.clear();
    m_line.clear();
    m_call = CallState::Idle;
}

void QuorraModem::ClearFaults() {
    m_faults.clear();
    m_silent = false;
    m_lineDown = false;
    m_endless.clear();
    m_out.clear();
    m_line.clear();
    m_call = CallState::Idle;
}

void QuorraModem::StartEndless(std::string bytes, uint64_t fromNs) {
    m_out.clear();
    m_endless = bytes.empty() ? std::string("\xFF\x7F"
                                            "NOISE\r\n")
                              : std::move(bytes);
    m_endlessFromNs = fromNs;
}

std::optional<uint64_t> QuorraModem::NextOutputNs() const {
    if (!m_lineDown && m_out.empty() && !m_endless.empty())
        return std::max(m_lineNs, m_endlessFromNs) + ByteNs();
    if (m_lineDown || m_out.empty())
        return std::nullopt;
    const Chunk& front = m_out.front();
    const uint64_t start = std::max(m_lineNs, front.releaseNs);
    return front.sent < front.bytes.size() ? start + ByteNs() : start;
}

size_t QuorraModem::TakeOutput(uint64_t nowNs, size_t room, std::string& out) {
    const size_t before = out.size();
    const uint64_t byteNs = ByteNs();
    while (!m_lineDown) {
        if (m_out.empty()) {
            if (m_endless.empty())
                break;
            // The next stretch of the endless stream.
            std::string stretch;
            while (stretch.size() < 4096)
                stretch += m_endless;
            m_out.push_back({m_endlessFromNs, std::move(stretch), 0, false});
        }
        Chunk& front = m_out.front();
        const uint64_t start = std::max(m_lineNs, front.releaseNs);
        if (front.sent == front.bytes.size()) {
            if (start > nowNs)
                break;
            const bool drop = front.dropAfter;
            m_out.pop_front();
            if (drop)
                DropLine();
            continue;
        }
        if (start + byteNs > nowNs)
            break;
        if (out.size() - before >= room) {
            // The computer's buffer is full: the line pauses here and resumes when asked again.
            m_lineNs = nowNs;
            break;
        }
        // As many bytes of this chunk as the line has sent by now and the buffer can take.
        const uint64_t due = (nowNs - start) / byteNs;
        const size_t count = static_cast<size_t>(
            std::min<uint64_t>({due, front.bytes.size() - front.sent, room - (out.size() - before)}));
        out.append(front.bytes, front.sent, count);
        front.sent += count;
        m_lineNs = start + count * byteNs;
    }
    const size_t taken = out.size() - before;
    if (taken > 0 && m_monitor)
        m_monitor('<', std::string_view(out).substr(before));
    return taken;
}

void QuorraModem::Receive(std::string_view bytes, uint64_t nowNs) {
    if (m_lineDown || bytes.empty())
        return;
    if (m_monitor)
        m_monitor('>', bytes);
    for (const char c : bytes) {
        if (m_lineDown)
            return;
        if (c == kDC2 && m_call == CallState::AwaitingDc2 && m_line.empty()) {
            m_commands.emplace_back(1, kDC2);
            StartPage(nowNs);
            continue;
        }
        if (m_echo && !m_silent)
            Queue(std::string(1, c), nowNs);
        if (c == '\r') {
            std::string line;
            line.swap(m_line);
            if (!line.empty())
                HandleLine(line, nowNs);
        } else if (c != '\n' && m_line.size() < kMaxLine) {
            m_line.push_back(c);
        }
    }
}

std::vector<Fault> QuorraModem::FaultsFor(const std::string& line) {
    std::vector<Fault> hits;
    for (ArmedFault& armed : m_faults) {
        if (!armed.fault.command.empty() && !StartsWith(line, armed.fault.command))
            continue;
        ++armed.seen;
        if (armed.fault.occurrence == 0 || armed.seen == armed.fault.occurrence)
            hits.push_back(armed.fault);
    }
    return hits;
}

void QuorraModem::HandleLine(const std::string& line, uint64_t nowNs) {
    m_commands.push_back(line);
    if (m_silent)
        return;
    const uint64_t gapNs = uint64_t(m_timing.commandGapMs) * kNsPerMs;
    if (gapNs > 0 && m_lastCommandNs && nowNs - *m_lastCommandNs < gapNs) {
        m_dropped.push_back(line);
        return;
    }
    m_lastCommandNs = nowNs;
    uint32_t delayMs = m_timing.replyDelayMs;
    std::string prefix;
    std::optional<size_t> cutAfter;
    for (const Fault& fault : FaultsFor(line)) {
        switch (fault.kind) {
        case FaultKind::NoAck:
            return;
        case FaultKind::Error:
            Queue(kError, nowNs + delayMs * kNsPerMs);
            return;
        case FaultKind::Late:
            delayMs = fault.delayMs;
            break;
        case FaultKind::Garbage:
            prefix += fault.bytes;
            break;
        case FaultKind::Silence:
            m_silent = true;
            m_out.clear();
            return;
        case FaultKind::LineDrop:
            DropLine();
            return;
        case FaultKind::CutPage:
            cutAfter = fault.afterBytes;
            break;
        case FaultKind::Endless:
            StartEndless(fault.bytes, nowNs + delayMs * kNsPerMs);
            return;
        case FaultKind::Trickle: // page data only
            break;
        }
    }
    const std::string upper = Upper(line);
    std::vector<Reply> replies;
    if (!StartsWith(upper, "AT") || !Execute(line.substr(2), replies))
        replies = {{kError, m_timing.replyDelayMs}};
    // A late answer moves the whole answer; what follows it on its own schedule stays behind it.
    if (delayMs != m_timing.replyDelayMs && !replies.empty())
        replies.front().delayMs = delayMs;
    if (!replies.empty())
        replies.front().bytes = prefix + replies.front().bytes;
    if (cutAfter) {
        // Only the start of the answer goes out; what would have followed it never comes.
        replies.resize(1);
        replies.front().bytes.resize(std::min(replies.front().bytes.size(), *cutAfter));
    }
    for (Reply& reply : replies)
        QueueReply(std::move(reply.bytes), nowNs + uint64_t(reply.delayMs) * kNsPerMs);
}

// Carries out one command (the text after "AT") and says what to answer and when. False for a
// command the modem does not know.
bool QuorraModem::Execute(const std::string& body, std::vector<Reply>& replies) {
    const std::string upper = Upper(body);
    const uint32_t soon = m_timing.replyDelayMs;
    replies = {{kOk, soon}};
    if (upper.empty())
        return true;
    if (upper == "E0" || upper == "E1" || upper == "E") {
        m_echo = upper == "E1";
        return true;
    }
    if (upper == "Z" || upper == "Z0") {
        m_echo = false;
        m_class = 0;
        m_call = CallState::Idle;
        m_pending = m_stored;
        return true;
    }
    if (upper == "H" || upper == "H0") {
        m_call = CallState::Idle;
        return true;
    }
    if (upper == "I" || upper == "I0") {
        replies = {{Line("QUORRA") + kOk, soon}};
        return true;
    }
    if (upper == "+FCLASS=0" || upper == "+FCLASS=1" || upper == "+FCLASS=2") {
        m_class = upper.back() - '0';
        return true;
    }
    if (upper == "+FCLASS?") {
        replies = {{Line(std::to_string(m_class)) + kOk, soon}};
        return true;
    }
    if (upper == "+FCLASS=?") {
        replies = {{Line("0,1,2") + kOk, soon}};
        return true;
    }
    if (upper == "+FDCC=?") {
        replies = {{Line("(0,1),(0-5),(0-4),(0-2),(0,1),(0),(0),(0-7)") + kOk, soon}};
        return true;
    }
    if (StartsWith(upper, "+FCR=") || StartsWith(upper, "+FBOR=") || StartsWith(upper, "+FDIS=") ||
        StartsWith(upper, "+FDCC="))
        return true;
    if (upper == "G") {
        // A stored fax presents itself as an incoming call a little later.
        if (!m_faxes.empty() && m_call == CallState::Idle) {
            m_call = CallState::Ringing;
            if (m_timing.ringSplitMs == 0) {
                replies.push_back({Line("RING"), m_timing.ringDelayMs});
            } else {
                replies.push_back({"\r\nRI", m_timing.ringDelayMs});
                replies.push_back({"NG\r\n", m_timing.ringDelayMs + m_timing.ringSplitMs});
            }
        }
        return true;
    }
    if (upper == "A") {
        if (m_call != CallState::Ringing || m_faxes.empty()) {
            replies = {{Line("NO CARRIER"), soon}};
            return true;
        }
        const StoredFax& fax = m_faxes.front();
        m_call = CallState::Answered;
        m_page = 0;
        std::string id = fax.id;
        if (m_strict) {
            id.erase(0, std::min(id.size(), id.find_first_not_of(' ')));
            id.erase(id.find_last_not_of(' ') + 1);
        }
        std::string report = m_strict ? std::string() : Line("+FCON");
        report += Line("+FTSI: \"" + id + "\"");
        report += Line(std::string("+FDCS: ") + (fax.fine ? "1" : "0") + ",5,0,2,0,0,0,0");
        report += kOk;
        replies = {{report, m_timing.answerDelayMs}};
        return true;
    }
    if (upper == "+FDR") {
        if (m_call == CallState::AwaitingDc2) {
            replies = {{Line("CONNECT"), soon}};
            return true;
        }
        if (m_call != CallState::Answered || m_faxes.empty()) {
            replies = {{kError, soon}};
            return true;
        }
        if (m_page < m_faxes.front().pages.size()) {
            m_call = CallState::AwaitingDc2;
            replies = {{Line("CONNECT"), soon}};
            return true;
        }
        // No page left: the call ends and the fax leaves the memory.
        m_faxes.erase(m_faxes.begin());
        m_call = CallState::Idle;
        replies = {{m_strict ? kOk : Line("+FHNG: 0") + kOk, soon}};
        return true;
    }
    for (const std::string_view name : kSettingNames) {
        if (StartsWith(upper, std::string(name) + "=")) {
            m_pending[std::string(name)] = body.substr(name.size() + 1);
            return true;
        }
    }
    if (upper == "&W" || upper == "&W0") {
        m_stored = m_pending;
        ++m_storeCount;
        return true;
    }
    if (upper == "&V") {
        replies = {{Listing() + kOk, m_timing.listingDelayMs}};
        return true;
    }
    if (StartsWith(upper, "&Z")) {
        // "&Z" slot "=" text, slots 0 to 99.
        const size_t equals = body.find('=');
        const std::string digits = body.substr(2, equals == std::string::npos ? std::string::npos : equals - 2);
        if (equals == std::string::npos || digits.empty() || digits.size() > 2 ||
            !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return false;
        m_slots[std::stoi(digits)] = body.substr(equals + 1);
        return true;
    }
    return false;
}

// The caller listing: the stored settings and, in section "TELEPHONE NUMBERS", the last fifteen
// calls under the keys 0F to 1D, each the number followed by hhmmMMDD.
std::string QuorraModem::Listing() const {
    std::string text = "\r\n[SETTINGS]\r\n";
    for (const auto& [name, value] : m_stored)
        text += name.substr(1) + "=" + value + "\r\n";
    text += "\r\n[TELEPHONE NUMBERS]\r\n";
    constexpr int kFirstKey = 0x0F;
    constexpr int kRecords = 15;
    const size_t first = m_calls.size() > kRecords ? m_calls.size() - kRecords : 0;
    for (int i = 0; i < kRecords; ++i) {
        const size_t index = first + static_cast<size_t>(i);
        text += HexKey(kFirstKey + i) + "=";
        if (index < m_calls.size())
            text += m_calls[index].number + m_calls[index].when;
        text += "\r\n";
    }
    return text;
}

void QuorraModem::StartPage(uint64_t nowNs) {
    if (m_silent || m_faxes.empty() || m_page >= m_faxes.front().pages.size())
        return;
    const StoredFax& fax = m_faxes.front();
    const std::string page = m_strict ? WithoutRtc(fax.pages[m_page]) : fax.pages[m_page];
    std::string data;
    data.reserve(page.size() + page.size() / 16 + 2);
    for (const char c : page) {
        data.push_back(c);
        if (c == kDLE)
            data.push_back(kDLE); // a DLE in the data goes out doubled
    }
    uint64_t release = nowNs + uint64_t(m_timing.pageStartDelayMs) * kNsPerMs;
    m_call = CallState::Answered;
    for (const Fault& fault : FaultsFor(std::string(1, kDC2))) {
        if (fault.kind == FaultKind::CutPage || fault.kind == FaultKind::LineDrop) {
            data.resize(std::min(data.size(), fault.afterBytes));
            Queue(std::move(data), release, fault.kind == FaultKind::LineDrop);
            return;
        }
        if (fault.kind == FaultKind::Silence) {
            m_silent = true;
            return;
        }
        if (fault.kind == FaultKind::Endless) {
            // The page's data without its DLE ETX, over and over.
            StartEndless(std::move(data), release);
            return;
        }
        if (fault.kind == FaultKind::Trickle) {
            for (size_t i = 0; i < data.size(); ++i)
                Queue(std::string(1, data[i]), release + uint64_t(i) * fault.delayMs * kNsPerMs);
            release += uint64_t(data.size()) * fault.delayMs * kNsPerMs;
            data.clear();
        }
    }
    ++m_page;
    data.push_back(kDLE);
    data.push_back(kETX);
    const bool last = m_page == fax.pages.size();
    if (m_strict) {
        const uint64_t okNs = release + data.size() * ByteNs() + kNsPerMs;
        Queue(std::move(data), release);
        QueueReply(kOk, okNs);
        return;
    }
    data += Line("+FPTS: 1") + Line(last ? "+FET: 2" : "+FET: 0") + kOk;
    Queue(std::move(data), release);
}

std::vector<std::string> SplitPagesAtRtc(const std::string& data) {
    // EOL is eleven or more zero bits and a one; EOLs with nothing but zeros (fill) between them
    // form a run, and a run of six or more (the RTC) ends a page, as every coder writes it: without
    // fill (ghostscript), seven in a row (pbmtog3), fill before each (pbmtog3 -align8) or before the
    // last (efix). When line data follows a run of more than six, its last EOL is the next page's
    // first: that page starts at the byte where the EOL's zeros begin.
    std::vector<std::string> pages;
    size_t pageStart = 0;
    int zeros = 0;
    int run = 0;
    size_t runEnd = 0;      // the byte after the run's last EOL
    size_t lastEolByte = 0; // the byte where the run's last EOL begins
    const size_t bitCount = data.size() * 8;
    for (size_t bit = 0; bit < bitCount; ++bit) {
        const bool one = (static_cast<unsigned char>(data[bit / 8]) >> (7 - bit % 8)) & 1;
        if (!one) {
            ++zeros;
            continue;
        }
        const bool eol = zeros >= 11;
        zeros = 0;
        if (eol) {
            ++run;
            runEnd = bit / 8 + 1;
            lastEolByte = std::max(pageStart, (bit - 11) / 8);
            continue;
        }
        if (run >= 6) {
            const size_t end = run > 6 ? lastEolByte : runEnd;
            pages.push_back(data.substr(pageStart, end - pageStart));
            pageStart = end;
        }
        run = 0;
    }
    if (run >= 6) {
        pages.push_back(data.substr(pageStart));
        return pages;
    }
    // Bytes after the last RTC are one more page when they hold an EOL; otherwise (fill, a coder's
    // stray bits) they stay with the last page.
    const std::string rest = data.substr(pageStart);
    if (pages.empty() || HoldsEol(rest))
        pages.push_back(rest);
    else
        pages.back() += rest;
    return pages;
}

std::string WithoutRtc(const std::string& page) {
    std::string bits;
    for (unsigned char c : page)
        for (int i = 7; i >= 0; --i)
            bits += (c >> i & 1) != 0 ? '1' : '0';
    std::vector<size_t> eolEnds; // behind the closing one of each EOL
    for (size_t i = 0, zeros = 0; i < bits.size(); ++i) {
        if (bits[i] == '0') {
            ++zeros;
            continue;
        }
        if (zeros >= 11)
            eolEnds.push_back(i + 1);
        zeros = 0;
    }
    if (eolEnds.empty())
        return page;
    // The last run of EOLs with nothing but zeros between them is the RTC; its first EOL ends the
    // last line and stays.
    size_t first = eolEnds.size() - 1;
    while (first > 0 && bits.find('1', eolEnds[first - 1]) == eolEnds[first] - 1)
        --first;
    bits.resize(eolEnds[first]);
    bits.resize((bits.size() + 7) / 8 * 8, '0');
    std::string out;
    for (size_t i = 0; i < bits.size(); i += 8) {
        unsigned byte = 0;
        for (size_t j = 0; j < 8; ++j)
            byte = byte << 1 | (bits[i + j] == '1' ? 1u : 0u);
        out += static_cast<char>(byte);
    }
    return out;
}

} // namespace quorra
