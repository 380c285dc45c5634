// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The device model of the Quorra modem: what it answers to each command, when, and what it keeps
// (stored faxes, settings, numbered text slots, clock, caller log). The model has no clock of its
// own: whoever drives it says what time it is (in nanoseconds) when bytes arrive and when it asks
// for output, so the same model runs on virtual time in tests and on the real clock behind a
// pseudo-terminal.
namespace quorra {

struct StoredFax {
    std::string id;                 // sender identification, sent between double quotes
    bool fine = true;               // vertical resolution, the first field of "+FDCS: "
    std::vector<std::string> pages; // raw T.4 page data, most significant bit first
};

struct CallRecord {
    std::string number;
    std::string when; // eight digits hhmmMMDD
};

enum class FaultKind {
    NoAck,    // the command is ignored: not carried out, nothing answered
    Error,    // the command is refused with "ERROR"
    Late,     // carried out, answered `delayMs` after its carriage return
    Garbage,  // carried out, `bytes` sent in front of the answer
    CutPage,  // page data: only the first `afterBytes` bytes, then nothing (no DLE ETX, no "OK");
              // on a command: only the first `afterBytes` bytes of its answer
    Silence,  // from this command on the modem answers nothing at all
    LineDrop, // the line goes away (after `afterBytes` page bytes when it is a page start)
    Trickle,  // on a page start: the page's data a byte every `delayMs` milliseconds, then its end
    Endless,  // from this command on the modem sends `bytes` over and over and nothing else; on a
              // page start: the page data without its end, over and over
};

struct Fault {
    FaultKind kind = FaultKind::NoAck;
    // What it applies to: a prefix of the command line ("AT#PASS=", "ATA"), "\x12" for the start of
    // page data, empty for every command.
    std::string command;
    int occurrence = 0; // 0: every matching command; n: only the n-th (counted from 1)
    uint32_t delayMs = 0;
    std::string bytes;
    size_t afterBytes = 0;
};

struct ModemTiming {
    uint32_t replyDelayMs = 3;       // an ordinary answer after the command's carriage return
    uint32_t answerDelayMs = 300;    // "ATA" to the answer report
    uint32_t ringDelayMs = 1500;     // "ATG" to "RING"
    uint32_t ringSplitMs = 0;        // when not 0, "RI" and "NG" leave this far apart
    uint32_t listingDelayMs = 250;   // "AT&V" to the caller listing
    uint32_t pageStartDelayMs = 5;   // DC2 to the first byte of page data
    uint32_t bytesPerSecond = 11520; // 115200 bit/s, 8N1
    // A modem that needs its pacing: a command line that ends less than this after the previous
    // one it carried out is dropped unanswered, as the modem is still busy (0: none is dropped).
    // The start of page data (DC2) is no command line and is never dropped.
    uint32_t commandGapMs = 0;
};

class QuorraModem {
public:
    static constexpr int kSlotCount = 100;

    explicit QuorraModem(ModemTiming timing = {});

    // What the modem holds.
    void AddFax(StoredFax fax);
    size_t FaxesLeft() const { return m_faxes.size(); }
    void SetSlot(int slot, std::string text);
    std::string Slot(int slot) const;
    void AddCall(CallRecord record);
    void AddFault(Fault fault);
    const ModemTiming& Timing() const { return m_timing; }
    ModemTiming& Timing() { return m_timing; }
    // A modem that answers with the least a class 2 modem of this kind promises, in place of the
    // fuller answers of the usual one: no "+FCON", "+FPTS", "+FET" or "+FHNG" lines, every line of
    // an answer as a write of its own a millisecond after the one before, the sender
    // identification without its padding, and pages without their RTC.
    void SetStrict(bool strict) { m_strict = strict; }
    bool Strict() const { return m_strict; }

    // What it was told: every command line in arrival order without its carriage return, and a
    // DC2 as the one-byte line "\x12".
    const std::vector<std::string>& Commands() const { return m_commands; }
    // The command lines it dropped because they came too soon after the one before
    // (ModemTiming::commandGapMs), in arrival order; they are also in Commands().
    const std::vector<std::string>& DroppedCommands() const { return m_dropped; }
    // Settings by command name ("#RING", "#FLID", "+VCID", "#DATE", ...) with the text after "="
    // as sent. Stored ones were committed by "AT&W"; pending ones were received since.
    std::string StoredSetting(const std::string& name) const;
    std::string PendingSetting(const std::string& name) const;
    const std::map<std::string, std::string>& StoredSettings() const { return m_stored; }
    int StoreCount() const { return m_storeCount; }
    bool Echo() const { return m_echo; }
    int FaxClass() const { return m_class; }

    // The line. Bytes from the computer arrive at `nowNs`.
    void Receive(std::string_view bytes, uint64_t nowNs);
    // When the next byte of output will have been sent, if any is queued.
    std::optional<uint64_t> NextOutputNs() const;
    // Appends to `out` the bytes sent by `nowNs`, at most `room` of them; the rest wait, as they
    // would behind a dropped CTS. Returns the count appended.
    size_t TakeOutput(uint64_t nowNs, size_t room, std::string& out);
    // Queues bytes that leave at `atNs` or later (for tests that need an exact byte stream).
    void SendRaw(std::string bytes, uint64_t atNs);
    // The line went away (a scripted fault): nothing more is sent or received.
    bool LineDown() const { return m_lineDown; }
    void DropLine();
    // The computer closed the port, which drops DTR: a call under way ends, as a modem set to hang
    // up on DTR does; whatever was still to be sent is dropped, the stored faxes stay.
    void HostDroppedDtr();
    // Switched off and on again: the faults are gone, the line is back, nothing is being sent; the
    // stored faxes, slots, settings and calls stay.
    void ClearFaults();

    // Sees every byte that crosses the line: direction '>' from the computer, '<' to it.
    void SetMonitor(std::function<void(char direction, std::string_view bytes)> monitor) {
        m_monitor = std::move(monitor);
    }

private:
    enum class CallState { Idle, Ringing, Answered, AwaitingDc2 };
    struct Chunk {
        uint64_t releaseNs = 0;
        std::string bytes;
        size_t sent = 0;
        bool dropAfter = false;
    };
    struct Reply {
        std::string bytes;
        uint32_t delayMs = 0;
    };
    struct ArmedFault {
        Fault fault;
        int seen = 0;
    };

    void HandleLine(const std::string& line, uint64_t nowNs);
    void StartPage(uint64_t nowNs);
    std::vector<Fault> FaultsFor(const std::string& line);
    bool Execute(const std::string& body, std::vector<Reply>& replies);
    std::string Listing() const;
    void Queue(std::string bytes, uint64_t releaseNs, bool dropAfter = false);
    void QueueReply(std::string bytes, uint64_t releaseNs);
    void StartEndless(std::string bytes, uint64_t fromNs);
    uint64_t ByteNs() const;

    ModemTiming m_timing;
    std::vector<StoredFax> m_faxes;
    std::map<int, std::string> m_slots;
    std::vector<CallRecord> m_calls;
    std::vector<ArmedFault> m_faults;
    std::vector<std::string> m_commands;
    std::vector<std::string> m_dropped;
    std::optional<uint64_t> m_lastCommandNs; // when the last command line carried out ended
    std::map<std::string, std::string> m_pending;
    std::map<std::string, std::string> m_stored;
    int m_storeCount = 0;
    bool m_echo = false;
    bool m_strict = false;
    int m_class = 0;
    bool m_silent = false;
    bool m_lineDown = false;
    std::string m_endless; // sent over and over once the queue is empty; empty: nothing
    uint64_t m_endlessFromNs = 0;
    CallState m_call = CallState::Idle;
    size_t m_page = 0; // next page of the fax in front
    std::string m_line;
    std::deque<Chunk> m_out; // in sending order
    uint64_t m_lineNs = 0;   // when the line finished (or will finish) sending the last byte taken
    std::function<void(char, std::string_view)> m_monitor;
};

// Splits T.4 page data at each RTC (six or more EOLs with only fill between them): a file may hold
// one page or several, each ended by its RTC. Bytes after the last RTC count as one more page when
// they hold an EOL, and stay with the last page otherwise.
std::vector<std::string> SplitPagesAtRtc(const std::string& data);

// The page without its RTC: the data up to the end of the EOL that ends its last line, filled with
// zero bits to a whole byte, as a sender that stops at the end of its data writes it.
std::string WithoutRtc(const std::string& page);

} // namespace quorra
