// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/modem/SerialPort.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

// Where page data goes as it comes off the line: the capture of the fax being read (CaptureFile).
class PageSink {
public:
    virtual ~PageSink() = default;
    // Keeps `count` bytes of page data; false when they could not be kept, which ends the capture.
    virtual bool Append(const char* data, size_t count) = 0;
};

// The one way to the modem: a send-and-read primitive with fixed waits, a substring test on the
// reply, two waiting loops (for a text, for a final "OK" line) and the capture of fax page data,
// which it hands to a PageSink and keeps nowhere itself.
class ModemLink : public SerialPort {
public:
    static constexpr size_t kReplyTextSize = 3000;
    static constexpr size_t kMaxStoredReply = kReplyTextSize - 1; // WaitForOk stores at most 2999
    static constexpr size_t kCaptureStaging = 81920;
    // CaptureData gives a page up once the line has been silent this long (window events do not
    // shorten it).
    static constexpr uint32_t kCaptureSilenceMs = 1000;
    // A page must also make the progress a fax line makes: at least kCaptureLeastBytes in every
    // kCaptureWindowMs. 1,000 bytes in ten seconds is 800 bit/s, a third of the slowest fax rate
    // (2,400 bit/s), and a modem that plays a stored fax sends at the serial line's speed, far
    // above it. A modem that trickles a byte now and then is a line fault, found within seconds,
    // not after the 8 MiB a page may hold (more than a day at that pace).
    static constexpr uint32_t kCaptureWindowMs = 10000;
    static constexpr uint64_t kCaptureLeastBytes = 1000;
    // While page data flows, CaptureData reads what has arrived, then rests this long: at 115200
    // bit/s about 115 bytes gather, far below what the port's buffer holds.
    static constexpr uint32_t kCaptureRestMs = 10;
    static constexpr size_t kCaptureChunk = 4096;

    explicit ModemLink(LinkEnvironment env);
    ~ModemLink() override;

    // Writes `text` (send flag), waits (wait flag) and reads the reply; with `capture` the bytes read
    // are page data and go to the page sink. The wait ends as soon as the
    // reply is complete, that is when a final result line ("OK", "ERROR", "CONNECT", ...) has come
    // whole, and at the latest after `waitMs`, so a modem that answers at once is not waited for
    // and a slow one gets the whole time. A modem that takes a new command only once the whole
    // wait after the last has passed asks for the fixed waits (FixedWaits(); section "PACING" of
    // RERAVA.INI): every wait then lasts `waitMs`. After a wait that ran out without a final result
    // line, the waits last their whole time too until the port is opened again, so that a late
    // answer to one command never ends the next command's wait early. What was sent and what
    // is looked for in the reply are the same either way; bytes that come after the wait are left
    // for the next read.
    bool SendCommand(std::string_view text, uint32_t waitMs, bool capture, bool send, bool wait);
    // True when `bytes` hold a whole final result line.
    static bool HoldsFinalResult(std::string_view bytes);
    bool ReplyContains(std::string_view text);
    // Sends `command`, waits `waitMs`, reads: true when that reply holds "OK".
    bool SendExpectingOk(std::string_view command, uint32_t waitMs);

    // A reply that ends in an OK line, in two reads: what arrived within the command's own wait
    // (every byte), then what WaitForOk collected after it, unless the first already held the line.
    struct ReplyToOk {
        std::string early;
        std::string rest;
        size_t earlyOkLine = std::string::npos; // where the OK line starts in `early` when it came there
        bool okLine = false;                    // an OK line ended the reply, also one split across the reads
    };
    // Sends `command`, waits `waitMs`, and reads the reply up to its OK line.
    ReplyToOk SendUntilOkLine(std::string_view command, uint32_t waitMs);
    bool WaitForText(uint32_t timeoutMs, std::string_view text);
    bool WaitForOk();
    // Takes page data into the page sink, undoing the modem's DLE doubling, up to DLE ETX: true when
    // the page ended so, false when the line fell silent, the page grew past m_maxPageBytes or the
    // sink refused the bytes (what came is in the sink all the same).
    bool CaptureData();
    // Where page data goes from now on; none: nowhere, and a capture fails.
    void SetPageSink(PageSink* sink) { m_pageSink = sink; }

    // The reply as a zero-terminated text (what the last SendCommand read, or what WaitForOk kept).
    std::string ReplyText() const;
    // Every byte the last SendCommand read, zero bytes included.
    std::string LastRead() const;

    // CaptureData gives a page up after this many bytes without DLE ETX: several times the largest
    // A4 page that one-dimensional coding can produce (about 2.3 MB at fine resolution).
    static constexpr uint32_t kMaxPageBytes = 8u << 20;
    uint32_t m_maxPageBytes = kMaxPageBytes;

    // Pending events are handled once per this many bytes while data flows without a pause.
    static constexpr uint32_t kBytesPerPump = 256;
    // Longest idle slice of a wait measured in time (WaitForOk) while nothing arrives.
    static constexpr int32_t kQuietSlice = 10;
    // Bytes of earlier reads a wait still looks at: longer than any text a caller waits for.
    static constexpr size_t kUnmatchedKeep = 64;

private:
    void StoreReplyText();
    // Reads the reply into m_rawReply as it comes until it is complete or `waitMs` have passed;
    // the count kept (also in m_bytesRead).
    size_t ReadUntilReplyEnds(uint32_t waitMs);
    bool ToSink(const char* data, size_t count);
    bool FlushCapture(size_t count);

    // Replies do not respect read boundaries: a "RING" may start in the read of the command's own
    // wait and end in the next wait's first read, "RI" | "NG". So every read adds its bytes here,
    // and the waits look for their text in what came since the last command was sent and no wait
    // has matched yet (the latest read whole, and the last kUnmatchedKeep bytes before it, enough
    // for any text a caller waits for).
    void KeepUnmatched(const char* bytes, size_t count);
    std::string m_unmatched;

    std::unique_ptr<char[]> m_replyText;     // kReplyTextSize bytes
    std::unique_ptr<char[]> m_captureBuffer; // kCaptureStaging bytes
    PageSink* m_pageSink = nullptr;
};
