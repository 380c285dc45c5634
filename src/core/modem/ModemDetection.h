// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/platform/SerialBackend.h"

#include <QString>

#include <string>
#include <vector>

class SerialPort;
class ModemLink;

// What came of trying one port: the device behind its name, and whether it could be opened and
// whether the modem answered there.
struct PortAttempt {
    std::string port;   // "COM1"
    std::string device; // "/dev/ttyUSB0"; empty when no serial port stood for the name
    PortFailure failure = PortFailure::None;
    std::string systemText; // the system's words when the failure has no reason of our own
    bool answered = false;
};
using DetectionReport = std::vector<PortAttempt>;

// The attempt on the port `link` last tried to open: its open's outcome, and `answered`.
PortAttempt AttemptOf(const SerialPort& link, const std::string& port, bool answered);

// Looks for the modem on COM1 and then COM2: the port opened and configured, DTR raised for one
// second, "AT\r" sent three times of which only the third answer counts. Returns true with the
// answering port left open; false with the port closed. Shows nothing: the dialogs report failure,
// with what `report` (when given) collected about each port tried.
bool FindModem(ModemLink& link, DetectionReport* report = nullptr);

// The details of the message "检测调制解调器失败！": one line per port tried, saying what happened
// there and, where the user can do something about it, what.
QString DescribeDetection(const DetectionReport& report);
