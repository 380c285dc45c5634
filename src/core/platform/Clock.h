// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <cstdint>

// The millisecond tick counter every modem wait is measured on. It wraps after about 49.7 days; a
// wait is computed as start plus timeout and ends when the signed distance to it is no longer
// positive (SerialPort::Before), so a wait that spans the wrap still ends on time.
class Clock {
public:
    virtual ~Clock() = default;
    virtual uint32_t TickCount() const = 0;
};

// The local wall-clock time: reception times of faxes, the modem clock filled into the settings
// dialog. Injected so that tests can fix "now".
class WallClock {
public:
    virtual ~WallClock() = default;
    virtual QDateTime Now() const = 0;
};

// The program's clocks.
class SteadyClock final : public Clock {
public:
    uint32_t TickCount() const override;
};

class SystemWallClock final : public WallClock {
public:
    QDateTime Now() const override { return QDateTime::currentDateTime(); }
};
