// SPDX-License-Identifier: GPL-3.0-or-later
// Whatever the modem sends, the modem link's waits read it through the simulated port on virtual
// time and give what a plain model of the same bytes says: SendCommand and ReplyContains see what
// came within the wait (which a final result line ends early) up to its first zero byte, WaitForText finds its text
// wherever it stands in the stream (also cut across two reads), WaitForOk ends at the first "OK\r\n" and keeps what
// came before, CaptureData undoes the DLE doubling up to DLE ETX. No wait runs past its limit.
//
// Input: byte 0 picks the operation, the text and the wait, byte 1 the chunk size, byte 2 the pause
// between chunks in milliseconds; the rest is what the modem sends from the moment the operation
// starts.
#include "FuzzSupport.h"
#include "core/modem/ModemLink.h"
#include "support/SimModemFixture.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <unistd.h>

using fuzzsupport::Check;

namespace {

constexpr uint64_t kNsPerMs = 1000000;

// The page data the link hands over, as the capture file would keep it.
struct PageBytes final : PageSink {
    bool Append(const char* data, size_t count) override {
        bytes.append(data, count);
        return true;
    }
    std::string bytes;
};

std::string_view UpToZero(std::string_view bytes) {
    return bytes.substr(0, std::min(bytes.size(), bytes.find('\0')));
}

struct Stream {
    std::string bytes;
    size_t chunk = 1;
    uint32_t pauseMs = 0;
    // When the byte at `index` is in the computer's input queue, in ms after the start.
    uint64_t ArrivalMs(size_t index) const { return uint64_t{index / chunk} * pauseMs; }
};

// What CaptureData keeps of a page: DLE DLE as one DLE, DLE and another byte as the DLE alone, up
// to DLE ETX (its DLE kept). False when the data holds no DLE ETX.
bool Unstuff(const std::string& in, std::string& out) {
    bool afterDle = false;
    for (const char c : in) {
        if (afterDle) {
            afterDle = false;
            if (c == 0x03)
                return true;
            continue;
        }
        out.push_back(c);
        afterDle = c == 0x10;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3)
        return 0;
    const uint8_t op = data[0];
    Stream stream;
    stream.chunk = 1 + data[1] % 64;
    stream.pauseMs = data[2] % 16;
    stream.bytes.assign(reinterpret_cast<const char*>(data) + 3, size - 3);
    // At most about six seconds of stream: past every wait's limit, and no input costs minutes of
    // virtual time.
    if (stream.pauseMs > 0)
        stream.chunk = std::max<size_t>(stream.chunk, stream.bytes.size() / (6000 / stream.pauseMs) + 1);

    SimModemFixture sim;
    // A fast line: the pauses between chunks decide when bytes come, not the line speed.
    sim.com1.Timing().bytesPerSecond = 100000000;
    ModemLink link(sim.env);
    Check(link.Open("COM1") && link.Configure());
    const uint64_t startNs = sim.time.NowNs();
    for (size_t at = 0, n = 0; at < stream.bytes.size(); at += stream.chunk, ++n)
        sim.com1.SendRaw(stream.bytes.substr(at, stream.chunk), startNs + n * stream.pauseMs * kNsPerMs);
    const uint32_t start = sim.time.TickCount();
    auto elapsed = [&] { return sim.time.TickCount() - start; };
    // Bytes that surely arrived before `ms`, and those that may have.
    auto arrivedBy = [&](uint64_t ms, bool surely) {
        size_t count = 0;
        while (count < stream.bytes.size() &&
               (surely ? stream.ArrivalMs(count) + 1 < ms : stream.ArrivalMs(count) <= ms + 1))
            ++count;
        return std::string_view(stream.bytes).substr(0, count);
    };

    static constexpr std::string_view kTexts[] = {"OK", "RING", "CONNECT", "\r\nOK\r\n"};
    const std::string_view text = kTexts[(op >> 2) % 4];

    switch (op % 4) {
    case 0: { // SendCommand after a wait, then ReplyContains
        const uint32_t waitMs = 10u * (op >> 4);
        // Nothing is sent: a command would make the simulated modem answer in the middle.
        const bool read = link.SendCommand("", waitMs, false, false, true);
        // The wait lasts its time, unless a final result line ("OK", "ERROR", ...) ends it early.
        const uint32_t took = elapsed();
        Check(took <= waitMs);
        if (took < waitMs)
            Check(ModemLink::HoldsFinalResult(link.LastRead()));
        const std::string reply = link.ReplyText();
        Check(reply.size() <= ModemLink::kMaxStoredReply && reply.find('\0') == std::string::npos);
        Check(link.ReplyContains(text) == (reply.find(text) != std::string::npos));
        const std::string got = link.LastRead();
        Check(got.size() <= SerialPort::kMaxReadCount && (read || got.empty()));
        Check(reply == UpToZero(got));
        // What it read is the start of the stream, all that surely came within the wait (up to
        // the buffer's size).
        Check(std::string_view(stream.bytes).substr(0, got.size()) == got);
        const std::string_view surely = arrivedBy(took, true);
        Check(got.size() >= std::min(surely.size(), SimWire::kInputQueue));
        break;
    }
    case 1: { // WaitForText
        const uint32_t timeoutMs = 100u * (1 + (op >> 4));
        const bool found = link.WaitForText(timeoutMs, text);
        Check(elapsed() <= timeoutMs + 10);
        // Each pass of 10 ms reads at least what the input queue holds.
        const size_t readable = SimWire::kInputQueue * (timeoutMs / 10 - 1);
        if (arrivedBy(timeoutMs, true).substr(0, readable).find(text) != std::string_view::npos)
            Check(found);
        if (found)
            Check(arrivedBy(elapsed(), false).find(text) != std::string_view::npos);
        break;
    }
    case 2: { // WaitForOk
        const bool ok = link.WaitForOk();
        Check(elapsed() <= 5000 + ModemLink::kQuietSlice);
        const std::string reply = link.ReplyText();
        const size_t okLine = stream.bytes.find("OK\r\n");
        const bool inTime = okLine != std::string::npos && stream.ArrivalMs(okLine + 3) + 1 < 5000;
        if (inTime)
            Check(ok);
        if (ok) {
            Check(okLine != std::string::npos);
            // Everything up to and including the first "OK\r\n", as a text.
            const std::string_view kept = std::string_view(stream.bytes).substr(0, okLine + 4);
            Check(reply == UpToZero(kept.substr(0, ModemLink::kMaxStoredReply)));
        }
        break;
    }
    default: { // CaptureData
        PageBytes captured;
        link.SetPageSink(&captured);
        const bool ended = link.CaptureData();
        std::string page;
        const bool expectEnd = Unstuff(stream.bytes, page);
        // The pauses are far below the thousand empty polls that give a page up.
        Check(ended == expectEnd);
        link.SetPageSink(nullptr);
        const std::string& written = captured.bytes;
        if (ended)
            Check(written == page);
        else
            Check(page.compare(0, written.size(), written) == 0);
        break;
    }
    }
    link.Close();
    return 0;
}
