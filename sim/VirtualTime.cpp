// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/VirtualTime.h"

#include <QCoreApplication>

#include <algorithm>

namespace {
constexpr uint64_t kNsPerMs = 1000000;
} // namespace

VirtualTime::VirtualTime(uint32_t startTick) : m_nowNs(0), m_startNs(0), m_startTick(startTick) {}

uint32_t VirtualTime::TickCount() const {
    return m_startTick + static_cast<uint32_t>((m_nowNs - m_startNs) / kNsPerMs);
}

void VirtualTime::ProcessQtEvents() {
    if (m_processQtEvents && QCoreApplication::instance())
        QCoreApplication::processEvents();
}

void VirtualTime::PumpMessage() {
    ProcessQtEvents();
}

bool VirtualTime::DeliverAll() {
    bool any = false;
    for (VirtualDevice* device : m_devices)
        any = device->Deliver(m_nowNs) || any;
    return any;
}

void VirtualTime::Idle(uint32_t ms) {
    ++m_idleCalls;
    ProcessQtEvents();
    if (DeliverAll())
        return;
    // A wait of 0 still moves time on a little, so that a loop of empty polls always ends.
    m_nowNs = NextStopBefore(m_nowNs + std::max<uint64_t>(ms, 1) * kNsPerMs);
    DeliverAll();
}

void VirtualTime::Rest(uint32_t ms) {
    ++m_idleCalls;
    Advance(std::max<uint32_t>(ms, 1));
}

uint64_t VirtualTime::NextStopBefore(uint64_t target) const {
    uint64_t next = target;
    for (const VirtualDevice* device : m_devices) {
        const std::optional<uint64_t> due = device->NextDueNs();
        if (due && *due > m_nowNs)
            next = std::min(next, *due);
    }
    return next;
}

void VirtualTime::Advance(uint32_t ms) {
    const uint64_t target = m_nowNs + uint64_t(ms) * kNsPerMs;
    while (m_nowNs < target) {
        m_nowNs = NextStopBefore(target);
        DeliverAll();
    }
}

void VirtualTime::Attach(VirtualDevice* device) {
    if (std::find(m_devices.begin(), m_devices.end(), device) == m_devices.end())
        m_devices.push_back(device);
}

void VirtualTime::Detach(VirtualDevice* device) {
    m_devices.erase(std::remove(m_devices.begin(), m_devices.end(), device), m_devices.end());
}
