// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/platform/QtSerialBackend.h"

#include "core/platform/PortLock.h"

#include <QElapsedTimer>

#include <unistd.h>

namespace {
constexpr int kWriteTimeoutMs = 5000;
} // namespace

QtSerialBackend::QtSerialBackend(PortMap ports) : m_ports(std::move(ports)) {}

QtSerialBackend::~QtSerialBackend() {
    if (m_port.isOpen())
        m_port.close();
}

PortFailure ClassifyOpenError(QSerialPort::SerialPortError error, bool exists, bool accessible) {
    if (error == QSerialPort::NoError)
        return PortFailure::None;
    if (!exists || error == QSerialPort::DeviceNotFoundError)
        return PortFailure::Absent;
    if (!accessible)
        return PortFailure::NoPermission;
    if (error == QSerialPort::PermissionError)
        return PortFailure::Busy;
    return PortFailure::Other;
}

bool QtSerialBackend::Open(const std::string& portName) {
    if (m_port.isOpen())
        return false;
    const PortMap::Port port = m_ports.Lookup(portName);
    m_fixedWaits = port.fixedWaits;
    m_lastOpen = {port.device, PortFailure::None, {}};
    const std::string& device = m_lastOpen.device;
    if (device.empty()) {
        m_lastOpen.failure = PortFailure::Absent;
        return false;
    }
    m_port.setPortName(QString::fromLocal8Bit(device.c_str()));
    if (!m_port.open(QIODevice::ReadWrite)) {
        const bool exists = ::access(device.c_str(), F_OK) == 0;
        const bool accessible = ::access(device.c_str(), R_OK | W_OK) == 0;
        m_lastOpen.failure = ClassifyOpenError(m_port.error(), exists, accessible);
        m_lastOpen.systemText = m_port.errorString().toStdString();
        return false;
    }
    if (!LockPortHandle(m_port)) {
        m_port.close();
        m_lastOpen.failure = PortFailure::Busy;
        return false;
    }
    m_gone = false;
    return true;
}

bool QtSerialBackend::IsOpen() const {
    return m_port.isOpen() || m_gone;
}

bool QtSerialBackend::Close() {
    if (m_gone) {
        // Its descriptor was let go when the device vanished.
        m_gone = false;
        return true;
    }
    if (!m_port.isOpen())
        return false;
    m_port.close();
    return true;
}

bool QtSerialBackend::Configure(const LineSettings& settings) {
    if (!m_port.isOpen())
        return false;
    bool ok = m_port.setBaudRate(static_cast<qint32>(settings.baudRate));
    ok = m_port.setDataBits(static_cast<QSerialPort::DataBits>(settings.byteSize)) && ok;
    // The Win32 encodings: parity 0 none, 1 odd, 2 even, 3 mark, 4 space; stop bits 0 one, 1 one
    // and a half, 2 two.
    static constexpr QSerialPort::Parity kParity[] = {QSerialPort::NoParity, QSerialPort::OddParity,
                                                      QSerialPort::EvenParity, QSerialPort::MarkParity,
                                                      QSerialPort::SpaceParity};
    ok = m_port.setParity(settings.parity < 5 ? kParity[settings.parity] : QSerialPort::NoParity) && ok;
    static constexpr QSerialPort::StopBits kStop[] = {QSerialPort::OneStop, QSerialPort::OneAndHalfStop,
                                                      QSerialPort::TwoStop};
    ok = m_port.setStopBits(settings.stopBits < 3 ? kStop[settings.stopBits] : QSerialPort::OneStop) && ok;
    QSerialPort::FlowControl flow = QSerialPort::NoFlowControl;
    if (settings.handshake & 2)
        flow = QSerialPort::HardwareControl;
    else if (settings.handshake & 4)
        flow = QSerialPort::SoftwareControl;
    ok = m_port.setFlowControl(flow) && ok;
    m_port.setDataTerminalReady(true);
    return ok;
}

bool QtSerialBackend::Usable() {
    if (m_gone)
        return false;
    if (!m_port.isOpen())
        return false;
    // A vanished device (unplugged adapter, modem switched off, closed pseudo-terminal) shows as a
    // resource error (EIO), or as a read error when the line is hung up: the descriptor then polls
    // readable and a read returns nothing. Such a descriptor stays ready for ever, so its notifiers
    // would wake every idle wait at once, and QSerialPort would retry the unsent bytes in each pass:
    // the waits would spin. It is let go at once; from then on every operation fails quietly and the
    // waits idle as they do on a silent line.
    const QSerialPort::SerialPortError error = m_port.error();
    if (error != QSerialPort::ResourceError && error != QSerialPort::ReadError)
        return true;
    m_port.close();
    m_gone = true;
    return false;
}

bool QtSerialBackend::Write(const char* data, size_t length) {
    if (!Usable())
        return false;
    if (length == 0)
        return true;
    m_port.clearError();
    if (m_port.write(data, static_cast<qint64>(length)) != static_cast<qint64>(length))
        return Dropped();
    QElapsedTimer elapsed;
    elapsed.start();
    while (m_port.bytesToWrite() > 0) {
        const qint64 left = kWriteTimeoutMs - elapsed.elapsed();
        if (left <= 0 || !m_port.waitForBytesWritten(static_cast<int>(left)))
            return m_port.bytesToWrite() == 0 ? Usable() : Dropped();
    }
    return Usable();
}

bool QtSerialBackend::Dropped() {
    // What the line did not take within the bound is dropped, as a timed-out write drops it, so
    // that it is not sent later in front of another command.
    if (Usable())
        m_port.clear(QSerialPort::Output);
    return false;
}

std::optional<size_t> QtSerialBackend::BytesWaiting() {
    if (!Usable())
        return std::nullopt;
    if (m_port.bytesAvailable() == 0) {
        // Fetch what the driver holds without waiting; outside an event loop the read notifier
        // never runs, and inside one this merely does its work a little earlier. The error it
        // leaves tells whether the device is still there.
        m_port.clearError();
        m_port.waitForReadyRead(0);
        if (!Usable())
            return std::nullopt;
    }
    return static_cast<size_t>(m_port.bytesAvailable());
}

std::optional<size_t> QtSerialBackend::Read(char* data, size_t length) {
    if (!Usable())
        return std::nullopt;
    const qint64 got = m_port.read(data, static_cast<qint64>(length));
    if (got < 0)
        return std::nullopt;
    return static_cast<size_t>(got);
}

bool QtSerialBackend::SetDtr() {
    return Usable() && m_port.setDataTerminalReady(true);
}
