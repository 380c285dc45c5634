// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

// A serial port the system has.
struct FoundPort {
    std::string device; // "/dev/ttyUSB0"
    bool usb = false;   // an adapter on USB (ttyUSB*, ttyACM*)
};

// Lists the serial ports that exist now. The program's lister asks QSerialPortInfo; tests give a
// fixed list.
class PortLister {
public:
    virtual ~PortLister() = default;
    virtual std::vector<FoundPort> List() const = 0;
};

// QSerialPortInfo's ports: USB adapters, and built-in ports only where a real UART answers behind
// them (ttyS0 to ttyS31 exist on most PCs whether or not there is a port). Built-in ports the user
// may not open yet (not in group "dialout") are taken from sysfs instead, so that the detection can
// say why they failed rather than act as if there were none.
class SystemPortLister final : public PortLister {
public:
    std::vector<FoundPort> List() const override;
};

// The order in which found ports become COM1 and COM2: USB adapters before built-in ports, and
// within each by device name with numbers compared as numbers (ttyUSB2 before ttyUSB10). The same
// ports give the same order on every start, whatever order the system listed them in.
std::vector<std::string> OrderPorts(std::vector<FoundPort> ports);

// The program names its ports "COM1" and "COM2". Section "PORTS" of RERAVA.INI may name the device
// of either ("COM1=/dev/ttyUSB0"); a port it does not name is the next serial port found, in the
// order above, that the section does not already give to the other. Section "PACING" says how the
// modem wants to be talked to: "FixedWaits=1" makes every command wait its whole fixed time, for a
// modem that takes a new command only that long after the last one. Worked out each time a port is
// opened, so an adapter plugged in or a change to the file counts at the next command.
class PortMap {
public:
    struct Port {
        std::string device;
        bool fixedWaits = false;
    };

    // Without a lister, the system's ports.
    explicit PortMap(std::string iniPath = {}, std::shared_ptr<const PortLister> lister = {});

    // The device path for a program port name (empty when COM1 or COM2 stands for no port at all;
    // names other than COM1/COM2 pass through unchanged) and the pacing the modem on it wants.
    Port Lookup(const std::string& portName) const;
    std::string DeviceFor(const std::string& portName) const { return Lookup(portName).device; }
    // The devices of COM1 and COM2.
    std::array<std::string, 2> Devices() const;

private:
    std::string m_iniPath;
    std::shared_ptr<const PortLister> m_lister;
};
