// SPDX-License-Identifier: GPL-3.0-or-later
#include "modem/SerialPort.h"

// Placeholder bodies until the serial port is built.
SerialPort::SerialPort(LinkEnvironment env) : m_env(env), m_rawReply(new char[kRawReplySize]()) {}
SerialPort::~SerialPort() = default;
bool SerialPort::Open(const std::string&) { return false; }
bool SerialPort::Configure() { return false; }
bool SerialPort::Close() { return false; }
bool SerialPort::IsOpen() const { return false; }
bool SerialPort::Write(const char*, size_t) { return false; }
bool SerialPort::PollInput() { return false; }
bool SerialPort::ReadInput(uint32_t) { return false; }
bool SerialPort::ReadByte() { return false; }
bool SerialPort::SetDtr() { return false; }
void SerialPort::PumpMessage() {}
void SerialPort::Delay(uint32_t) {}
uint32_t SerialPort::TickCount() const { return m_env.clock.TickCount(); }
