// SPDX-License-Identifier: GPL-3.0-or-later
#include "modem/ModemDetection.h"

#include "modem/ModemLink.h"

// Placeholder until the modem link is built.
bool FindModem(ModemLink&) { return false; }
