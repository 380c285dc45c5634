// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

// Line parameters as the modem link sets them (the Win32 DCB's encoding: stop bits 0 = one,
// parity 0 = none; handshake bit 0 DSR/DTR, bit 1 CTS/RTS, bit 2 XON/XOFF).
struct LineSettings {
    uint32_t baudRate = 115200;
    uint8_t byteSize = 8;
    uint8_t parity = 0;
    uint8_t stopBits = 0;
    uint8_t handshake = 2;
};

// Why a port could not be opened, for the message that tells the user why no modem was found.
enum class PortFailure {
    None,         // opened
    Absent,       // no such device, or no serial port to stand for the name at all
    Busy,         // another program (or another window of this one) has it open
    NoPermission, // the user may not open it (on Linux: not in group "dialout")
    Other,        // anything else; the system's words are kept
};

// What the last Open of a backend found.
struct OpenReport {
    std::string device; // the device the port name stood for; empty when there was none
    PortFailure failure = PortFailure::None;
    std::string systemText; // the system's own words for the failure
};

// One serial port as SerialPort needs it: an exclusive open by the program's port name ("COM1",
// "COM2"), a non-blocking read of whatever has arrived, a count of waiting bytes, a bounded write,
// and DTR. The program's backend is QSerialPort; the tests connect straight to the simulator.
class SerialBackend {
public:
    virtual ~SerialBackend() = default;
    // Opens the port the program calls `portName`; fails when it is absent or held elsewhere.
    virtual bool Open(const std::string& portName) = 0;
    // The device and the reason of the last Open's failure.
    virtual OpenReport LastOpen() const = 0;
    virtual bool IsOpen() const = 0;
    // Returns the result of closing; the port counts as closed afterwards whatever it is.
    virtual bool Close() = 0;
    virtual bool Configure(const LineSettings& settings) = 0;
    // Writes all bytes, waiting at most 5000 ms for the line to take them.
    virtual bool Write(const char* data, size_t length) = 0;
    // Number of received bytes waiting to be read; nullopt when the status query fails (port closed
    // or gone).
    virtual std::optional<size_t> BytesWaiting() = 0;
    // Reads up to `length` of the waiting bytes without blocking; returns the count read, or
    // nullopt on a read failure.
    virtual std::optional<size_t> Read(char* data, size_t length) = 0;
    virtual bool SetDtr() = 0;
    // True when the modem on this port takes a command only once the whole fixed wait after the
    // last one has passed, instead of as soon as it has answered (section "PACING" of RERAVA.INI).
    virtual bool FixedWaits() const { return false; }
};

// Each owner of a modem link (the fax list view, each modem dialog) gets its own backend.
class SerialBackendFactory {
public:
    virtual ~SerialBackendFactory() = default;
    virtual std::unique_ptr<SerialBackend> Create() = 0;
};
