// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/PortMap.h"

#include "platform/ProfileFile.h"

PortMap::Port PortMap::Lookup(const std::string& portName) const {
    Port port{portName};
    if (portName == "COM1")
        port.device = "/dev/ttyS0";
    else if (portName == "COM2")
        port.device = "/dev/ttyS1";
    if (m_iniPath.empty())
        return port;
    port.device = profile::GetString(m_iniPath, "PORTS", portName, port.device);
    port.fixedWaits = profile::GetInt(m_iniPath, "PACING", "FixedWaits", 0) == 1;
    return port;
}
