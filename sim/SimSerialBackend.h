// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/platform/SerialBackend.h"
#include "sim/QuorraModem.h"
#include "sim/VirtualTime.h"

#include <deque>
#include <map>
#include <memory>
#include <string>

// The cable between a simulated modem and the computer's port, on virtual time. The computer's
// input queue holds 2048 bytes; while it is full the modem holds its output back, as CTS/RTS
// would. While no port is open the modem's output goes nowhere.
class SimWire final : public VirtualDevice {
public:
    static constexpr size_t kInputQueue = 2048;

    SimWire(quorra::QuorraModem& modem, VirtualTime& time);
    ~SimWire() override;
    SimWire(const SimWire&) = delete;
    SimWire& operator=(const SimWire&) = delete;

    std::optional<uint64_t> NextDueNs() const override;
    bool Deliver(uint64_t nowNs) override;

    quorra::QuorraModem& Modem() { return m_modem; }
    bool HostOpen() const { return m_hostOpen; }
    // The device cannot be opened, as one the user has no permission for.
    void RefuseOpen(bool refuse) { m_refuseOpen = refuse; }

    // The computer's end.
    bool OpenHost();
    void CloseHost();
    bool Write(const char* data, size_t length);
    std::optional<size_t> BytesWaiting();
    std::optional<size_t> Read(char* data, size_t length);

private:
    quorra::QuorraModem& m_modem;
    VirtualTime& m_time;
    bool m_hostOpen = false;
    bool m_refuseOpen = false;
    std::deque<char> m_input;
};

// One simulated port as the modem link sees it.
class SimSerialBackend final : public SerialBackend {
public:
    SimSerialBackend(const std::map<std::string, SimWire*>& wires, const std::map<std::string, PortFailure>& refusals,
                     bool fixedWaits)
        : m_wires(wires), m_refusals(refusals), m_fixedWaits(fixedWaits) {}
    ~SimSerialBackend() override;

    bool Open(const std::string& portName) override;
    OpenReport LastOpen() const override { return m_lastOpen; }
    bool IsOpen() const override { return m_wire != nullptr; }
    bool Close() override;
    bool Configure(const LineSettings& settings) override;
    bool Write(const char* data, size_t length) override;
    std::optional<size_t> BytesWaiting() override;
    std::optional<size_t> Read(char* data, size_t length) override;
    bool SetDtr() override;
    bool FixedWaits() const override { return m_fixedWaits; }

    // What the last Configure asked for.
    const LineSettings& Settings() const { return m_settings; }

private:
    const std::map<std::string, SimWire*>& m_wires;
    const std::map<std::string, PortFailure>& m_refusals;
    SimWire* m_wire = nullptr;
    LineSettings m_settings;
    bool m_fixedWaits;
    OpenReport m_lastOpen;
};

// "COM1" and "COM2" lead to simulated modems, or to nothing (a port that cannot be opened: absent).
// A port may be made to refuse its opening for a given reason (busy, no permission). The device
// behind a port is "/dev/sim" followed by its name.
class SimSerialBackendFactory final : public SerialBackendFactory {
public:
    explicit SimSerialBackendFactory(VirtualTime& time) : m_time(time) {}

    void Connect(const std::string& portName, quorra::QuorraModem& modem);
    void Disconnect(const std::string& portName);
    // Opening `portName` fails with `failure` until Refuse(portName, PortFailure::None).
    void Refuse(const std::string& portName, PortFailure failure);
    SimWire* Wire(const std::string& portName);
    std::unique_ptr<SerialBackend> Create() override;
    // The ports opened from now on ask for the fixed waits ("FixedWaits=1" in RERAVA.INI).
    void SetFixedWaits(bool on) { m_fixedWaits = on; }

private:
    VirtualTime& m_time;
    std::map<std::string, std::unique_ptr<SimWire>> m_owned;
    std::map<std::string, SimWire*> m_wires;
    bool m_fixedWaits = false;
    std::map<std::string, PortFailure> m_refusals;
};
