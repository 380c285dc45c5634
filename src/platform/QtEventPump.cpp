// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/EventPump.h"

// Filled in with the modem link: processEvents, and an idle wait that wakes on any event.
void QtEventPump::PumpMessage() {}
void QtEventPump::Idle(uint32_t) {}
