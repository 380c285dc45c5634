// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <memory>

// What a modem wait does between two looks at the port. The modem exchanges poll the port and the
// tick counter; between polls they hand control to this pump so that windows keep painting.
//
// The program's pump (QtEventPump) handles pending Qt events and, when asked to idle, sleeps until
// the next event (a serial read notifier counts as one) or the end of the slice, so a silent line
// costs next to no processor time. The test pump advances a virtual clock instead.
class EventPump {
public:
    virtual ~EventPump() = default;
    // Handles the events that are pending now; never blocks.
    virtual void PumpMessage() = 0;
    // Handles pending events, then waits at most `ms` milliseconds for anything new: a window
    // event or bytes arriving on an open port. May return early.
    virtual void Idle(uint32_t ms) = 0;
    // Waits `ms` milliseconds without being woken by anything: bytes that arrive meanwhile wait in
    // the port's buffer for the next read. A loop reading a steady stream rests like this between
    // reads instead of waking for every few bytes the line delivers.
    virtual void Rest(uint32_t ms) = 0;
};

class QTimer;

class QtEventPump final : public EventPump {
public:
    QtEventPump();
    ~QtEventPump() override;
    QtEventPump(const QtEventPump&) = delete;
    QtEventPump& operator=(const QtEventPump&) = delete;

    void PumpMessage() override;
    void Idle(uint32_t ms) override;
    void Rest(uint32_t ms) override;

private:
    std::unique_ptr<QTimer> m_wakeUp; // made on first use, once an application object exists
};
