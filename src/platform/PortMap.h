// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

// The program names its ports "COM1" and "COM2". On Linux they are /dev/ttyS0 and /dev/ttyS1
// unless section "PORTS" of RERAVA.INI names another device ("COM1=/dev/ttyUSB0"). Section
// "PACING" says how the modem wants to be talked to: "FixedWaits=1" makes every command wait its
// whole fixed time, for a modem that takes a new command only that long after the last one. Read
// each time a port is opened, so a change to the file takes effect at the next command.
class PortMap {
public:
    struct Port {
        std::string device;
        bool fixedWaits = false;
    };

    explicit PortMap(std::string iniPath = {}) : m_iniPath(std::move(iniPath)) {}
    // The device path for a program port name (names other than COM1/COM2 pass through
    // unchanged) and the pacing the modem on it wants, from one reading of the file.
    Port Lookup(const std::string& portName) const;
    std::string DeviceFor(const std::string& portName) const { return Lookup(portName).device; }

private:
    std::string m_iniPath;
};
