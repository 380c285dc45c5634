// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

// The program names its ports "COM1" and "COM2". On Linux they are /dev/ttyS0 and /dev/ttyS1
// unless section "PORTS" of RERAVA.INI names another device ("COM1=/dev/ttyUSB0"). Read each time
// a port is opened, so a change to the file takes effect at the next command.
class PortMap {
public:
    explicit PortMap(std::string iniPath = {}) : m_iniPath(std::move(iniPath)) {}
    // The device path for a program port name; names other than COM1/COM2 pass through unchanged.
    std::string DeviceFor(const std::string& portName) const;

private:
    std::string m_iniPath;
};
