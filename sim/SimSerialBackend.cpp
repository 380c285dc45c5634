// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/SimSerialBackend.h"

#include <algorithm>

SimWire::SimWire(quorra::QuorraModem& modem, VirtualTime& time) : m_modem(modem), m_time(time) {
    m_time.Attach(this);
}

SimWire::~SimWire() {
    m_time.Detach(this);
}

std::optional<uint64_t> SimWire::NextDueNs() const {
    if (m_hostOpen && m_input.size() >= kInputQueue)
        return std::nullopt; // held back until the computer reads
    return m_modem.NextOutputNs();
}

bool SimWire::Deliver(uint64_t nowNs) {
    std::string bytes;
    const size_t room = m_hostOpen ? kInputQueue - std::min(kInputQueue, m_input.size()) : SIZE_MAX;
    if (m_modem.TakeOutput(nowNs, room, bytes) == 0 || !m_hostOpen)
        return false;
    m_input.insert(m_input.end(), bytes.begin(), bytes.end());
    return true;
}

bool SimWire::OpenHost() {
    if (m_hostOpen || m_refuseOpen || m_modem.LineDown())
        return false;
    Deliver(m_time.NowNs()); // what was sent before the port opened is lost
    m_hostOpen = true;
    m_input.clear();
    return true;
}

void SimWire::CloseHost() {
    m_hostOpen = false;
    m_input.clear();
}

bool SimWire::Write(const char* data, size_t length) {
    if (m_modem.LineDown())
        return false;
    Deliver(m_time.NowNs());
    m_modem.Receive(std::string_view(data, length), m_time.NowNs());
    return !m_modem.LineDown();
}

std::optional<size_t> SimWire::BytesWaiting() {
    if (m_modem.LineDown())
        return std::nullopt;
    return m_input.size();
}

std::optional<size_t> SimWire::Read(char* data, size_t length) {
    if (m_modem.LineDown())
        return std::nullopt;
    const size_t count = std::min(length, m_input.size());
    std::copy_n(m_input.begin(), count, data);
    m_input.erase(m_input.begin(), m_input.begin() + static_cast<std::ptrdiff_t>(count));
    return count;
}

SimSerialBackend::~SimSerialBackend() {
    Close();
}

bool SimSerialBackend::Open(const std::string& portName) {
    if (m_wire)
        return false;
    m_lastOpen = {"/dev/sim" + portName, PortFailure::None, {}};
    if (const auto refused = m_refusals.find(portName); refused != m_refusals.end()) {
        m_lastOpen.failure = refused->second;
        return false;
    }
    const auto it = m_wires.find(portName);
    if (it == m_wires.end() || !it->second || it->second->Modem().LineDown()) {
        m_lastOpen.failure = PortFailure::Absent;
        return false;
    }
    if (!it->second->OpenHost()) {
        m_lastOpen.failure = PortFailure::Busy;
        return false;
    }
    m_wire = it->second;
    return true;
}

bool SimSerialBackend::Close() {
    if (!m_wire)
        return false;
    m_wire->CloseHost();
    m_wire = nullptr;
    return true;
}

bool SimSerialBackend::Configure(const LineSettings& settings) {
    if (!m_wire)
        return false;
    m_settings = settings;
    return true;
}

bool SimSerialBackend::Write(const char* data, size_t length) {
    return m_wire && m_wire->Write(data, length);
}

std::optional<size_t> SimSerialBackend::BytesWaiting() {
    return m_wire ? m_wire->BytesWaiting() : std::nullopt;
}

std::optional<size_t> SimSerialBackend::Read(char* data, size_t length) {
    return m_wire ? m_wire->Read(data, length) : std::nullopt;
}

bool SimSerialBackend::SetDtr() {
    return m_wire && !m_wire->Modem().LineDown();
}

void SimSerialBackendFactory::Connect(const std::string& portName, quorra::QuorraModem& modem) {
    auto wire = std::make_unique<SimWire>(modem, m_time);
    m_wires[portName] = wire.get();
    m_owned[portName] = std::move(wire);
}

void SimSerialBackendFactory::Disconnect(const std::string& portName) {
    m_wires.erase(portName);
    m_owned.erase(portName);
}

void SimSerialBackendFactory::Refuse(const std::string& portName, PortFailure failure) {
    if (failure == PortFailure::None)
        m_refusals.erase(portName);
    else
        m_refusals[portName] = failure;
}

SimWire* SimSerialBackendFactory::Wire(const std::string& portName) {
    const auto it = m_wires.find(portName);
    return it == m_wires.end() ? nullptr : it->second;
}

std::unique_ptr<SerialBackend> SimSerialBackendFactory::Create() {
    return std::make_unique<SimSerialBackend>(m_wires, m_refusals, m_fixedWaits);
}
