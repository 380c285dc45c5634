// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/platform/EventPump.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <climits>
#include <thread>

QtEventPump::QtEventPump() = default;
QtEventPump::~QtEventPump() = default;

void QtEventPump::PumpMessage() {
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
}

void QtEventPump::Idle(uint32_t ms) {
    if (!QCoreApplication::instance()) {
        // Nothing can wake us early without an event loop; a plain sleep is the honest wait.
        if (ms > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        return;
    }
    if (ms == 0) {
        QCoreApplication::processEvents();
        return;
    }
    // The timer bounds the wait; any other event (input, paint, a serial read notifier) ends it
    // sooner. processEvents(WaitForMoreEvents) handles what is pending and sleeps in the event
    // dispatcher's poll when nothing is, so an idle wait costs no processor time.
    if (!m_wakeUp) {
        m_wakeUp = std::make_unique<QTimer>();
        m_wakeUp->setSingleShot(true);
        m_wakeUp->setTimerType(Qt::PreciseTimer);
    }
    // A timer cannot run longer than INT_MAX ms; without one this wait would last until any event.
    m_wakeUp->start(static_cast<int>(std::min<uint32_t>(ms, INT_MAX)));
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    m_wakeUp->stop();
}

void QtEventPump::Rest(uint32_t ms) {
    // A plain sleep: the port's read notifier would end an event-loop wait at the line's next byte.
    if (ms > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}
