// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/platform/PortMap.h"

#include "core/platform/ProfileFile.h"

#include <QDir>
#include <QFile>
#include <QSerialPortInfo>

#include <algorithm>
#include <cctype>
#include <tuple>

namespace {

constexpr std::array<const char*, 2> kPortNames = {"COM1", "COM2"};

bool IsUsbName(const std::string& device) {
    const std::string name = device.substr(device.rfind('/') + 1);
    return name.starts_with("ttyUSB") || name.starts_with("ttyACM");
}

// "/dev/ttyUSB10" as ("/dev/ttyUSB", 10): the text before the trailing digits and their value.
std::tuple<std::string, unsigned long long, std::string> SortKey(const std::string& device) {
    size_t digits = device.size();
    while (digits > 0 && std::isdigit(static_cast<unsigned char>(device[digits - 1])))
        --digits;
    // More than 18 digits would not fit; such names sort by their text alone.
    const std::string number = device.substr(digits);
    const unsigned long long value = !number.empty() && number.size() <= 18 ? std::stoull(number) : 0;
    return {device.substr(0, digits), value, device};
}

} // namespace

std::vector<FoundPort> SystemPortLister::List() const {
    std::vector<FoundPort> ports;
    auto listed = [&ports](const std::string& device) {
        return std::any_of(ports.begin(), ports.end(), [&](const FoundPort& p) { return p.device == device; });
    };
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        const std::string device = QFile::encodeName(info.systemLocation()).toStdString();
        if (!device.empty() && !listed(device))
            ports.push_back({device, IsUsbName(device)});
    }
    // QSerialPortInfo tells a real UART from an empty ttyS slot by opening the port, which fails
    // without permission. The kernel's own note of the UART type is readable by everyone: not 0
    // (PORT_UNKNOWN) means there is a UART.
    const QDir ttys(QStringLiteral("/sys/class/tty"));
    for (const QString& name : ttys.entryList({QStringLiteral("ttyS*")}, QDir::Dirs | QDir::System)) {
        QFile type(ttys.filePath(name + QStringLiteral("/type")));
        if (!type.open(QIODevice::ReadOnly))
            continue;
        bool ok = false;
        const int uart = type.readAll().trimmed().toInt(&ok);
        const std::string device = "/dev/" + QFile::encodeName(name).toStdString();
        if (ok && uart != 0 && !listed(device) && QFile::exists(QFile::decodeName(device.c_str())))
            ports.push_back({device, false});
    }
    return ports;
}

std::vector<std::string> OrderPorts(std::vector<FoundPort> ports) {
    std::sort(ports.begin(), ports.end(), [](const FoundPort& a, const FoundPort& b) {
        if (a.usb != b.usb)
            return a.usb;
        return SortKey(a.device) < SortKey(b.device);
    });
    std::vector<std::string> devices;
    for (const FoundPort& port : ports) {
        if (std::find(devices.begin(), devices.end(), port.device) == devices.end())
            devices.push_back(port.device);
    }
    return devices;
}

PortMap::PortMap(std::string iniPath, std::shared_ptr<const PortLister> lister)
    : m_iniPath(std::move(iniPath)), m_lister(std::move(lister)) {
    if (!m_lister)
        m_lister = std::make_shared<SystemPortLister>();
}

std::array<std::string, 2> PortMap::Devices() const {
    std::array<std::string, 2> devices;
    if (!m_iniPath.empty()) {
        for (size_t i = 0; i < kPortNames.size(); ++i)
            devices[i] = profile::GetString(m_iniPath, "PORTS", kPortNames[i], "");
    }
    if (!devices[0].empty() && !devices[1].empty())
        return devices;

    std::vector<std::string> found = OrderPorts(m_lister->List());
    std::erase_if(found, [&](const std::string& device) { return device == devices[0] || device == devices[1]; });
    auto next = found.begin();
    for (std::string& device : devices) {
        if (device.empty() && next != found.end())
            device = *next++;
    }
    return devices;
}

PortMap::Port PortMap::Lookup(const std::string& portName) const {
    Port port{portName};
    if (!m_iniPath.empty())
        port.fixedWaits = profile::GetInt(m_iniPath, "PACING", "FixedWaits", 0) == 1;
    for (size_t i = 0; i < kPortNames.size(); ++i) {
        if (portName != kPortNames[i])
            continue;
        // A named port needs no look at the system's ports.
        port.device = m_iniPath.empty() ? std::string() : profile::GetString(m_iniPath, "PORTS", portName, "");
        if (port.device.empty())
            port.device = Devices()[i];
        return port;
    }
    return port;
}
