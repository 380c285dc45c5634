// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/modem/SerialPort.h"

#include <algorithm>
#include <cstring>

SerialPort::SerialPort(LinkEnvironment env) : m_env(env), m_rawReply(new char[kRawReplySize]()) {}

SerialPort::~SerialPort() = default;

bool SerialPort::Open(const std::string& portName) {
    // An open port stays as it is: the owners close it before they open another.
    if (m_backend)
        return false;
    auto backend = m_env.ports.Create();
    if (!backend) {
        m_lastOpen = {{}, PortFailure::Other, {}};
        return false;
    }
    const bool opened = backend->Open(portName);
    m_lastOpen = backend->LastOpen();
    if (!opened)
        return false;
    m_backend = std::move(backend);
    m_unread.clear();
    m_fixedWaits = m_backend->FixedWaits();
    m_replyOwed = false;
    return true;
}

bool SerialPort::Configure() {
    if (!m_backend)
        return false;
    LineSettings settings;
    settings.baudRate = m_baudRate;
    settings.byteSize = m_byteSize;
    settings.parity = m_parity;
    settings.stopBits = m_stopBits;
    settings.handshake = m_handshake;
    return m_backend->Configure(settings);
}

bool SerialPort::Close() {
    if (!m_backend)
        return false;
    const bool result = m_backend->Close();
    m_backend.reset();
    m_unread.clear();
    return result;
}

bool SerialPort::IsOpen() const {
    return m_backend != nullptr;
}

bool SerialPort::Write(const char* data, size_t length) {
    if (!m_backend)
        return false;
    return m_backend->Write(data, length);
}

bool SerialPort::PollInput() {
    const std::optional<size_t> waiting = m_backend ? m_backend->BytesWaiting() : std::nullopt;
    m_lastResult = waiting.has_value() || !m_unread.empty();
    m_pending = static_cast<uint32_t>(std::min<size_t>(m_unread.size() + waiting.value_or(0), UINT32_MAX));
    return m_lastResult && m_pending > 0;
}

bool SerialPort::ReadInput(uint32_t count) {
    return ReadInputAt(0, count);
}

bool SerialPort::ReadInputAt(size_t offset, uint32_t count) {
    m_bytesRead = 0;
    if (!m_backend || offset > kMaxReadCount) {
        m_lastResult = false;
        return false;
    }
    // Never more than the buffer holds minus its terminating zero.
    const size_t wanted = std::min<size_t>(count, kMaxReadCount - offset);
    const std::optional<size_t> got = ReadAvailable(m_rawReply.get() + offset, wanted);
    m_lastResult = got.has_value();
    m_bytesRead = static_cast<uint32_t>(got.value_or(0));
    return m_lastResult;
}

std::optional<size_t> SerialPort::ReadAvailable(char* data, size_t length) {
    if (!m_backend)
        return std::nullopt;
    const size_t given = std::min(length, m_unread.size());
    if (given > 0) {
        std::memcpy(data, m_unread.data(), given);
        m_unread.erase(0, given);
        if (given == length)
            return given;
    }
    const std::optional<size_t> got = m_backend->Read(data + given, length - given);
    if (!got)
        return given > 0 ? std::optional<size_t>(given) : std::nullopt;
    return given + *got;
}

void SerialPort::Unread(const char* data, size_t length) {
    m_unread.insert(0, data, length);
}

bool SerialPort::ReadByte() {
    if (!m_backend)
        return false;
    m_lastByte = 0;
    if (!m_unread.empty()) {
        m_lastByte = static_cast<uint8_t>(m_unread.front());
        m_unread.erase(0, 1);
        return true;
    }
    const std::optional<size_t> waiting = m_backend->BytesWaiting();
    if (!waiting || *waiting == 0)
        return false;
    char byte = 0;
    const std::optional<size_t> got = m_backend->Read(&byte, 1);
    if (!got || *got != 1)
        return false;
    m_lastByte = static_cast<uint8_t>(byte);
    return true;
}

bool SerialPort::SetDtr() {
    return m_backend && m_backend->SetDtr();
}

void SerialPort::PumpMessage() {
    m_env.pump.PumpMessage();
}

void SerialPort::Idle(uint32_t ms) {
    if (!m_interrupted)
        m_env.pump.Idle(ms);
}

void SerialPort::Rest(uint32_t ms) {
    if (!m_interrupted)
        m_env.pump.Rest(ms);
}

bool SerialPort::Before(uint32_t deadline) const {
    // Signed distance, so a wait that spans the counter's wrap-around still ends on time.
    return !m_interrupted && static_cast<int32_t>(deadline - TickCount()) > 0;
}

uint32_t SerialPort::LeftUntil(uint32_t deadline) const {
    // Read the counter once: between a Before() and a second reading the deadline may pass, and
    // the difference would wrap round to some 49 days.
    const int32_t left = static_cast<int32_t>(deadline - TickCount());
    return left > 0 && !m_interrupted ? static_cast<uint32_t>(left) : 0;
}

void SerialPort::Delay(uint32_t ms) {
    const uint32_t deadline = TickCount() + ms;
    for (uint32_t left = LeftUntil(deadline); left > 0; left = LeftUntil(deadline))
        m_env.pump.Idle(left);
}

void SerialPort::RaiseDtrFor(uint32_t ms) {
    // DTR is a level: raising it again now and then is all the original's busy loop achieved.
    static constexpr uint32_t kRefresh = 50;
    const uint32_t deadline = TickCount() + ms;
    for (uint32_t left = LeftUntil(deadline); left > 0; left = LeftUntil(deadline)) {
        PumpMessage();
        SetDtr();
        m_env.pump.Idle(std::min(kRefresh, left));
    }
}

uint32_t SerialPort::TickCount() const {
    return m_env.clock.TickCount();
}
