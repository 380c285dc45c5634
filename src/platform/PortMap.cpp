// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/PortMap.h"

#include "platform/ProfileFile.h"

std::string PortMap::DeviceFor(const std::string& portName) const {
    std::string fallback = portName;
    if (portName == "COM1")
        fallback = "/dev/ttyS0";
    else if (portName == "COM2")
        fallback = "/dev/ttyS1";
    if (m_iniPath.empty())
        return fallback;
    return profile::GetString(m_iniPath, "PORTS", portName, fallback);
}
