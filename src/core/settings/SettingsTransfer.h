// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/settings/ModemSettings.h"

#include <string>

class ModemLink;

// The modem's clock as the settings dialog holds it: the weekday list's index (0 = Sunday), the
// texts of the date and time fields (at most two digits each, possibly empty) and the AM/PM choice
// (0 = AM, anything else PM).
struct ModemClock {
    int weekday = 0;
    std::string month;
    std::string day;
    std::string year;
    std::string hour;
    std::string minute;
    int pm = 0;
};

// Writes the settings and the clock into the modem over an open link: thirteen commands, each given
// one second and acknowledged by "OK" before the next; the last one ("AT&W\r") stores the modem's
// configuration. Returns 0 when all thirteen were acknowledged, otherwise the number (1 to 13) of the
// first that was not; nothing after it is sent.
// The ring count and the new-message count go out as settings.ringText and settings.newNumText.
int SendSettings(ModemLink& link, const ModemSettings& settings, const ModemClock& clock);
