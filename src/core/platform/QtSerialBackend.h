// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/platform/PortMap.h"
#include "core/platform/SerialBackend.h"

#include <QSerialPort>

// The program's serial backend, on QSerialPort. Reads never block: the bytes the port's read
// notifier has not fetched yet are collected with a zero-timeout wait, so the modem link can poll
// without an event loop running.
class QtSerialBackend final : public SerialBackend {
public:
    explicit QtSerialBackend(PortMap ports);
    ~QtSerialBackend() override;

    bool Open(const std::string& portName) override;
    OpenReport LastOpen() const override { return m_lastOpen; }
    bool IsOpen() const override;
    bool Close() override;
    bool Configure(const LineSettings& settings) override;
    bool Write(const char* data, size_t length) override;
    std::optional<size_t> BytesWaiting() override;
    std::optional<size_t> Read(char* data, size_t length) override;
    bool SetDtr() override;
    bool FixedWaits() const override { return m_fixedWaits; }

private:
    // False once the device has vanished; the port is then let go (see the .cpp).
    bool Usable();
    // A write that did not go out: drops its bytes and returns false.
    bool Dropped();

    PortMap m_ports;
    QSerialPort m_port;
    bool m_gone = false; // the device vanished while open; the owner has not closed it yet
    bool m_fixedWaits = false;
    OpenReport m_lastOpen;
};

// The reason behind a failed open of `device`: QSerialPort reports a refused permission, a port
// that another program holds (EBUSY, its lock file) and an exclusive port alike as PermissionError;
// whether the user may read and write the device at all (`accessible`) tells them apart.
PortFailure ClassifyOpenError(QSerialPort::SerialPortError error, bool exists, bool accessible);

class QtSerialBackendFactory final : public SerialBackendFactory {
public:
    explicit QtSerialBackendFactory(PortMap ports) : m_ports(std::move(ports)) {}
    std::unique_ptr<SerialBackend> Create() override { return std::make_unique<QtSerialBackend>(m_ports); }

private:
    PortMap m_ports;
};
