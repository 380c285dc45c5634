// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/platform/Clock.h"

#include <chrono>

uint32_t SteadyClock::TickCount() const {
    using namespace std::chrono;
    // Truncated to 32 bits like the system tick counter it stands in for.
    return static_cast<uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}
