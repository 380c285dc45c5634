// SPDX-License-Identifier: GPL-3.0-or-later
#include "modem/ModemDetection.h"

#include "modem/ModemCommands.h"
#include "modem/ModemLink.h"

#include <string>

namespace {

// DTR up for a second, then three "AT"s: the first two wake a modem that was asleep or still
// busy with something else; only the answer to the third counts.
bool ProbePort(ModemLink& link, std::string_view port) {
    link.Open(std::string(port));
    link.Configure();
    link.RaiseDtrFor(modem::kDtrRaise);
    bool answered = false;
    for (int attempt = 0; attempt < 3; ++attempt)
        answered = link.SendExpectingOk(modem::kAttention, modem::kPresenceWait);
    return answered;
}

} // namespace

bool FindModem(ModemLink& link) {
    if (ProbePort(link, modem::kFirstPort))
        return true;
    link.Close();
    if (ProbePort(link, modem::kSecondPort))
        return true;
    link.Close();
    return false;
}
