// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/platform/Clock.h"
#include "core/platform/EventPump.h"
#include "core/platform/SerialBackend.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

// What a modem link waits with and opens ports through; injected so that tests run on the
// simulator and virtual time.
struct LinkEnvironment {
    const Clock& clock;
    EventPump& pump;
    SerialBackendFactory& ports;
};

// The lowest layer of the modem link: one serial port ("COM1" or "COM2") at fixed line settings
// (115200 bit/s, 8N1, CTS/RTS), moving bytes synchronously on the user-interface thread. No
// operation shows a message; failures come back as false and look like silence to the callers.
class SerialPort {
public:
    static constexpr size_t kRawReplySize = 3000;
    static constexpr size_t kMaxReadCount = kRawReplySize - 1; // always keeps a terminating zero

    explicit SerialPort(LinkEnvironment env);
    virtual ~SerialPort(); // does not close the port: owners call Close themselves

    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    bool Open(const std::string& portName);
    bool Configure();
    bool Close();
    bool IsOpen() const;
    bool Write(const char* data, size_t length);
    bool PollInput();
    bool ReadInput(uint32_t count);
    // ReadInput into m_rawReply from `offset` on, behind bytes kept from earlier reads; never past
    // the buffer's terminating zero.
    bool ReadInputAt(size_t offset, uint32_t count);
    bool ReadByte();
    // Reads up to `length` of the bytes that have arrived, without waiting: the count read, nullopt
    // when the port failed.
    std::optional<size_t> ReadAvailable(char* data, size_t length);
    // Puts bytes that were read but belong to the next reader back in front of the port's input:
    // every read takes them first.
    void Unread(const char* data, size_t length);
    bool SetDtr();
    void PumpMessage();
    void Delay(uint32_t ms);
    uint32_t TickCount() const;
    // Raises DTR over and over for `ms` milliseconds while events keep flowing (the start of every
    // modem probe).
    void RaiseDtrFor(uint32_t ms);
    // One wait of at most `ms` for anything new (a byte, a window event): what a polling loop does
    // when it found nothing.
    void Idle(uint32_t ms);
    // A wait of `ms` that nothing ends early (EventPump::Rest): between reads of a steady stream.
    void Rest(uint32_t ms);
    // True while the tick counter has not reached `deadline`; wraps with the 32-bit counter.
    // False once the waits are interrupted.
    bool Before(uint32_t deadline) const;
    // Milliseconds until `deadline`, 0 once it is reached or the waits are interrupted.
    uint32_t LeftUntil(uint32_t deadline) const;

    // Ends every wait of this port at once, and every wait after it until ClearInterrupt (a
    // signal, a time limit): each ends as if it had run out. Called from an event the waits pump.
    void Interrupt() { m_interrupted = true; }
    void ClearInterrupt() { m_interrupted = false; }
    bool Interrupted() const { return m_interrupted; }

    // Whether the modem on the open port asked for the fixed waits after every command (see
    // ModemLink::SendCommand); taken from the port when it is opened.
    bool FixedWaits() const { return m_fixedWaits; }

    uint8_t LastByte() const { return m_lastByte; }
    uint32_t Pending() const { return m_pending; }
    // What the last Open found: the device behind the port name and why it failed, if it did.
    const OpenReport& LastOpen() const { return m_lastOpen; }

protected:
    LinkEnvironment m_env;
    std::unique_ptr<SerialBackend> m_backend; // null whenever the port is closed
    std::unique_ptr<char[]> m_rawReply;       // kRawReplySize bytes, zero-filled
    uint8_t m_lastByte = 0;
    uint32_t m_pending = 0;
    uint32_t m_bytesRead = 0;
    uint8_t m_byteSize = 8;
    uint8_t m_stopBits = 0;
    uint8_t m_parity = 0;
    uint32_t m_baudRate = 115200;
    uint8_t m_handshake = 2;
    bool m_lastResult = false;
    bool m_fixedWaits = false;
    OpenReport m_lastOpen;
    // A command's wait ran out before its final result line came since the port was opened: its
    // answer may still be on the way (see ModemLink::SendCommand).
    bool m_replyOwed = false;
    bool m_interrupted = false;

private:
    std::string m_unread; // bytes given back by Unread, in front of the port's input
};
