// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/platform/Clock.h"
#include "core/platform/EventPump.h"

#include <cstdint>
#include <optional>
#include <vector>

// Something that produces bytes on virtual time: the simulated ports.
class VirtualDevice {
public:
    virtual ~VirtualDevice() = default;
    // When the next byte will be ready for the computer (nullopt: nothing queued, or no room).
    virtual std::optional<uint64_t> NextDueNs() const = 0;
    // Moves what is due by `nowNs` towards the computer; true when something arrived.
    virtual bool Deliver(uint64_t nowNs) = 0;
};

// The tick counter and the pump of the tests. Time stands still until a wait idles: Idle(ms) moves
// it on by `ms`, or only up to the moment the next simulated byte arrives when that is sooner, and
// lets the devices deliver what is due. A whole fax retrieval with waits of many seconds runs in
// milliseconds, the same on every run.
class VirtualTime final : public Clock, public EventPump {
public:
    explicit VirtualTime(uint32_t startTick = 1000);

    uint32_t TickCount() const override;
    void PumpMessage() override;
    void Idle(uint32_t ms) override;
    // Time passes by `ms`; the devices deliver on the way.
    void Rest(uint32_t ms) override;

    uint64_t NowNs() const { return m_nowNs; }
    // Lets time pass (devices deliver on the way), as a program that waits without reading would.
    void Advance(uint32_t ms);
    // Window tests on virtual time: the pump then also handles the Qt events that are pending.
    void SetProcessQtEvents(bool on) { m_processQtEvents = on; }

    void Attach(VirtualDevice* device);
    void Detach(VirtualDevice* device);

    // How often waits idled or rested, for tests that check a wait does not spin.
    uint64_t IdleCalls() const { return m_idleCalls; }

private:
    bool DeliverAll();
    // The earliest moment a device has output due, or `target` when none comes sooner.
    uint64_t NextStopBefore(uint64_t target) const;
    void ProcessQtEvents();

    uint64_t m_nowNs;
    uint64_t m_startNs;
    uint32_t m_startTick;
    bool m_processQtEvents = false;
    uint64_t m_idleCalls = 0;
    std::vector<VirtualDevice*> m_devices;
};
