// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/modem/ModemLink.h"

#include "core/modem/ModemCommands.h"

#include <algorithm>
#include <climits>
#include <cstring>

ModemLink::ModemLink(LinkEnvironment env)
    : SerialPort(env), m_replyText(new char[kReplyTextSize]()), m_captureBuffer(new char[kCaptureStaging]) {}

ModemLink::~ModemLink() = default;

void ModemLink::StoreReplyText() {
    // The text view of the raw bytes: up to the first zero, which the read count always leaves.
    const size_t length = ::strnlen(m_rawReply.get(), kMaxReadCount);
    std::memcpy(m_replyText.get(), m_rawReply.get(), length);
    m_replyText[length] = 0;
}

bool ModemLink::HoldsFinalResult(std::string_view bytes) {
    size_t lineStart = 0;
    for (size_t i = 0; i + 1 < bytes.size(); ++i) {
        if (bytes[i] == '\r' && bytes[i + 1] == '\n') {
            const std::string_view line = bytes.substr(lineStart, i - lineStart);
            for (const std::string_view result : modem::kFinalResults) {
                // A whole line, not text inside one: an echoed command may hold "OK" too.
                if (line == result || (result == modem::kConnect && line.starts_with(result) &&
                                       line.size() > result.size() && line[result.size()] == ' '))
                    return true;
            }
        }
        if (bytes[i] == '\r' || bytes[i] == '\n')
            lineStart = i + 1;
    }
    return false;
}

namespace {

// Where a look for a final result line must start again once more bytes came after the first
// `before`: the line those bytes ended in (with a carriage return at their end, which the next
// byte may turn into a line end). Lines that ended before it were looked at already.
size_t LineToLookAgain(std::string_view bytes, size_t before) {
    if (before == 0)
        return 0;
    size_t at = before - 1;
    if (bytes[at] == '\r' && at > 0)
        --at;
    while (at > 0 && bytes[at - 1] != '\r' && bytes[at - 1] != '\n')
        --at;
    return at;
}

} // namespace

size_t ModemLink::ReadUntilReplyEnds(uint32_t waitMs) {
    const uint32_t deadline = TickCount() + waitMs;
    size_t kept = 0;
    for (;;) {
        if (kept < kMaxReadCount && PollInput() && ReadInputAt(kept, m_pending)) {
            // A line ends only with a line feed, and only the lines the new bytes touch can be
            // new: a reply that comes a byte at a time is not looked through from its start
            // after every byte.
            const size_t before = kept;
            kept += m_bytesRead;
            if (std::memchr(m_rawReply.get() + before, '\n', kept - before) != nullptr) {
                const size_t from = LineToLookAgain(std::string_view(m_rawReply.get(), before), before);
                if (HoldsFinalResult(std::string_view(m_rawReply.get() + from, kept - from)))
                    break;
            }
        }
        // One reading of the tick counter per pass: a deadline passing between two readings must
        // not turn into a wait of 49 days.
        const int32_t left = static_cast<int32_t>(deadline - TickCount());
        if (left <= 0 || Interrupted())
            break;
        // Bytes arriving end the idle wait at once.
        Idle(static_cast<uint32_t>(left));
    }
    m_bytesRead = static_cast<uint32_t>(kept);
    return kept;
}

bool ModemLink::SendCommand(std::string_view text, uint32_t waitMs, bool capture, bool send, bool wait) {
    std::memset(m_rawReply.get(), 0, kRawReplySize);
    std::memset(m_replyText.get(), 0, kReplyTextSize);
    m_bytesRead = 0;
    if (send) {
        m_unmatched.clear(); // a new exchange: what came before answered the previous command
        m_lastResult = Write(text.data(), text.size());
        if (!m_lastResult)
            return false;
    }
    // Once a command's answer is owed (its wait ran out before a final result line came), any
    // final result line may be that late answer and not the current command's: from then on every
    // wait lasts its whole time, as the fixed waits do, so that a modem that answers late, or drops
    // a command that came too soon, is read exactly as with the fixed waits. This holds until the
    // port is opened again.
    if (wait && !m_fixedWaits && !(send && m_replyOwed)) {
        const size_t kept = ReadUntilReplyEnds(waitMs);
        if (send && !HoldsFinalResult(std::string_view(m_rawReply.get(), kept)))
            m_replyOwed = true;
        if (kept == 0)
            return false;
        m_lastResult = true;
    } else {
        if (wait)
            Delay(waitMs);
        if (!PollInput())
            return false;
        if (!ReadInput(m_pending))
            return false;
    }
    StoreReplyText();
    if (!capture)
        KeepUnmatched(m_rawReply.get(), m_bytesRead); // page data is no reply
    if (capture && m_bytesRead > 0 && !ToSink(m_rawReply.get(), m_bytesRead))
        return false;
    return true;
}

bool ModemLink::ReplyContains(std::string_view text) {
    const std::string_view reply(m_replyText.get(), ::strnlen(m_replyText.get(), kReplyTextSize));
    return reply.find(text) != std::string_view::npos;
}

void ModemLink::KeepUnmatched(const char* bytes, size_t count) {
    // Of what earlier reads left only the tail can join a text cut at the boundary; this read is
    // kept whole until the next, so that a text anywhere in it is found (its reply text ends at the
    // first zero byte, line noise included).
    if (m_unmatched.size() > kUnmatchedKeep)
        m_unmatched.erase(0, m_unmatched.size() - kUnmatchedKeep);
    m_unmatched.append(bytes, count);
}

bool ModemLink::WaitForText(uint32_t timeoutMs, std::string_view text) {
    // Each pass reads what came in its own 10 ms; the text is looked for in that read and in what
    // the reads before it brought since the last command (m_unmatched), so that a text cut in two
    // by a pass boundary or by the boundary between two waits ("RI" | "NG") is still found. What a
    // match used up is not found again by the next wait.
    const uint32_t deadline = TickCount() + timeoutMs;
    while (Before(deadline)) {
        PumpMessage();
        if (!SendCommand(text, modem::kTextPoll, false, false, true))
            continue;
        const bool inThisRead = ReplyContains(text);
        if (const size_t at = m_unmatched.find(text); at != std::string::npos) {
            m_unmatched.erase(0, at + text.size());
            return true;
        }
        if (inThisRead) {
            m_unmatched.clear();
            return true;
        }
    }
    return false;
}

bool ModemLink::WaitForOk() {
    std::memset(m_replyText.get(), 0, kReplyTextSize);
    size_t stored = 0;
    uint32_t tail = 0; // the last four bytes received, oldest in the high byte
    uint32_t sincePump = 0;
    static_assert(modem::kOkLine.size() == 4);
    static constexpr uint32_t kOkLine = [] { // modem::kOkLine as the four bytes of `tail`
        uint32_t bytes = 0;
        for (const char c : modem::kOkLine)
            bytes = (bytes << 8) | static_cast<uint8_t>(c);
        return bytes;
    }();
    const uint32_t start = TickCount();
    PumpMessage();
    while (!Interrupted() && static_cast<int32_t>(TickCount() - start) <= static_cast<int32_t>(modem::kOkLineTimeout)) {
        if (!ReadByte()) {
            // This wait is measured in time, not in polls, and a byte arriving ends the idle wait
            // at once (the port's read notifier is an event), so a silent line is watched without
            // waking up until the deadline.
            const int32_t left = static_cast<int32_t>(start + modem::kOkLineTimeout - TickCount());
            Idle(static_cast<uint32_t>(std::max<int32_t>(left, 1)));
            sincePump = 0;
            continue;
        }
        if (++sincePump >= kBytesPerPump) {
            PumpMessage();
            sincePump = 0;
        }
        if (stored < kMaxStoredReply)
            m_replyText[stored++] = static_cast<char>(m_lastByte);
        tail = (tail << 8) | m_lastByte;
        if (tail == kOkLine)
            return true;
    }
    return false;
}

bool ModemLink::ToSink(const char* data, size_t count) {
    if (!m_pageSink)
        return false;
    return count == 0 || m_pageSink->Append(data, count);
}

bool ModemLink::FlushCapture(size_t count) {
    return ToSink(m_captureBuffer.get(), count);
}

bool ModemLink::CaptureData() {
    size_t stored = 0;
    bool afterDle = false;
    uint64_t pageBytes = 0;
    std::array<char, kCaptureChunk> chunk;
    // The line counts as silent from the start: a page that never begins ends like one that stops.
    uint32_t lastBytes = TickCount();
    uint32_t windowStart = lastBytes;
    uint64_t windowBytes = 0;
    for (;;) {
        if (Interrupted())
            break;
        // Too little for a fax line in the last window: the modem trickles, the page is given up.
        if (TickCount() - windowStart >= kCaptureWindowMs) {
            if (windowBytes < kCaptureLeastBytes)
                break;
            windowStart = TickCount();
            windowBytes = 0;
        }
        PumpMessage();
        const size_t got = ReadAvailable(chunk.data(), chunk.size()).value_or(0);
        if (got == 0) {
            const int32_t left = static_cast<int32_t>(lastBytes + kCaptureSilenceMs - TickCount());
            if (left <= 0)
                break;
            // A byte arriving ends this wait at once (the port's read notifier is an event).
            Idle(static_cast<uint32_t>(left));
            continue;
        }
        lastBytes = TickCount();
        windowBytes += got;
        const char* const end = chunk.data() + got;
        const char* at = chunk.data();
        // What this capture does not take stays for the next read (the modem's "OK" after DLE ETX).
        const auto giveBack = [&] { Unread(at, static_cast<size_t>(end - at)); };
        while (at < end) {
            if (afterDle) {
                afterDle = false;
                if (*at++ == modem::kETX) {
                    giveBack();
                    return FlushCapture(stored);
                }
                // DLE DLE: the first DLE is already stored and stands for both. DLE and anything
                // else: the other byte is dropped.
                continue;
            }
            // The bytes up to and including the next DLE are page data as they stand.
            const void* dle = std::memchr(at, modem::kDLE, static_cast<size_t>(end - at));
            const size_t run =
                dle ? static_cast<size_t>(static_cast<const char*>(dle) - at) + 1 : static_cast<size_t>(end - at);
            // A modem that never ends its page would otherwise hold the program and fill the disk.
            const size_t allowed = static_cast<size_t>(std::min<uint64_t>(run, m_maxPageBytes - pageBytes));
            for (size_t copied = 0; copied < allowed;) {
                const size_t part = std::min(allowed - copied, kCaptureStaging - stored);
                std::memcpy(m_captureBuffer.get() + stored, at + copied, part);
                stored += part;
                copied += part;
                if (stored == kCaptureStaging) {
                    if (!FlushCapture(stored)) {
                        at += copied;
                        giveBack();
                        return false;
                    }
                    stored = 0;
                }
            }
            pageBytes += allowed;
            at += allowed;
            if (allowed < run) {
                giveBack();
                return false;
            }
            afterDle = dle != nullptr;
        }
        // Bytes keep coming: let the line fill the port's buffer for a while instead of waking for
        // every few bytes it delivers.
        Rest(kCaptureRestMs);
    }
    // The data stopped without DLE ETX: what came of the page is still part of the fax (the part
    // of a page that arrived is better than none), so it goes into the file too.
    FlushCapture(stored);
    return false;
}

std::string ModemLink::ReplyText() const {
    return std::string(m_replyText.get(), ::strnlen(m_replyText.get(), kReplyTextSize));
}

std::string ModemLink::LastRead() const {
    return std::string(m_rawReply.get(), m_bytesRead);
}

bool ModemLink::SendExpectingOk(std::string_view command, uint32_t waitMs) {
    return SendCommand(command, waitMs, false, true, true) && ReplyContains(modem::kOk);
}

ModemLink::ReplyToOk ModemLink::SendUntilOkLine(std::string_view command, uint32_t waitMs) {
    ReplyToOk reply;
    // The command's own wait is short and the rest of its reply is read here: an answer that
    // outlasts that wait is owed only when no OK line ends it.
    const bool owedBefore = m_replyOwed;
    SendCommand(command, waitMs, false, true, true);
    reply.early = LastRead();
    const std::string earlyText = reply.early.substr(0, reply.early.find('\0'));
    reply.earlyOkLine = earlyText.find(modem::kOkLine);
    if (reply.earlyOkLine != std::string::npos) {
        // The whole reply came within the command's own wait; waiting for an OK line that has
        // already been read would only cost WaitForOk's five seconds.
        reply.okLine = true;
        m_replyOwed = owedBefore;
        return reply;
    }
    const bool ok = WaitForOk();
    reply.rest = ReplyText();
    // WaitForOk sees only its own bytes: an OK line split across the two reads ends the reply too,
    // though only after WaitForOk's deadline.
    reply.okLine = ok || (earlyText + reply.rest).find(modem::kOkLine) != std::string::npos;
    if (reply.okLine)
        m_replyOwed = owedBefore;
    return reply;
}
