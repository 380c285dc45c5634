// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/QtSerialBackend.h"

#include "platform/PortLock.h"

#include <QElapsedTimer>

namespace {
constexpr int kWriteTimeoutMs = 5000;
} // namespace

QtSerialBackend::QtSerialBackend(PortMap ports) : m_ports(std::move(ports)) {}

QtSerialBackend::~QtSerialBackend() {
    if (m_port.isOpen())
        m_port.close();
}

bool QtSerialBackend::Open(const std::string& portName) {
    if (m_port.isOpen())
        return false;
    const std::string device = m_ports.DeviceFor(portName);
    if (device.empty())
        return false;
    m_port.setPortName(QString::fromLocal8Bit(device.c_str()));
    if (!m_port.open(QIODevice::ReadWrite))
        return false;
    if (!LockPortHandle(m_port)) {
        m_port.close();
        return false;
    }
    return true;
}

bool QtSerialBackend::IsOpen() const {
    return m_port.isOpen();
}

bool QtSerialBackend::Close() {
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

bool QtSerialBackend::Usable() const {
    // A vanished device (unplugged adapter, closed pseudo-terminal) shows as a resource error.
    return m_port.isOpen() && m_port.error() != QSerialPort::ResourceError;
}

bool QtSerialBackend::Write(const char* data, size_t length) {
    if (!Usable())
        return false;
    if (length == 0)
        return true;
    if (m_port.write(data, static_cast<qint64>(length)) != static_cast<qint64>(length))
        return false;
    QElapsedTimer elapsed;
    elapsed.start();
    while (m_port.bytesToWrite() > 0) {
        const qint64 left = kWriteTimeoutMs - elapsed.elapsed();
        if (left <= 0 || !m_port.waitForBytesWritten(static_cast<int>(left)))
            return m_port.bytesToWrite() == 0 && Usable();
    }
    return Usable();
}

std::optional<size_t> QtSerialBackend::BytesWaiting() {
    if (!Usable())
        return std::nullopt;
    if (m_port.bytesAvailable() == 0) {
        // Fetch what the driver holds without waiting; outside an event loop the read notifier
        // never runs, and inside one this merely does its work a little earlier.
        m_port.waitForReadyRead(0);
        if (!Usable())
            return std::nullopt;
    }
    return static_cast<size_t>(m_port.bytesAvailable());
}

std::optional<size_t> QtSerialBackend::Read(char* data, size_t length) {
    if (!m_port.isOpen())
        return std::nullopt;
    const qint64 got = m_port.read(data, static_cast<qint64>(length));
    if (got < 0)
        return std::nullopt;
    return static_cast<size_t>(got);
}

bool QtSerialBackend::SetDtr() {
    return m_port.isOpen() && m_port.setDataTerminalReady(true);
}
