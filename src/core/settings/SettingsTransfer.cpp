// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/settings/SettingsTransfer.h"

#include "core/modem/ModemCommands.h"
#include "core/modem/ModemLink.h"

#include <array>
#include <string_view>

namespace {

// The settings vocabulary of the modem: command prefixes, each completed by a value and "\r"
// (modem::CommandWithValue, which keeps control characters of a value off the line).
constexpr std::string_view kRingPrefix = "AT#RING=";
constexpr std::string_view kPasswordPrefix = "AT#PASS=";
constexpr std::string_view kTollSaverPrefix = "AT#TS=";
constexpr std::string_view kQualityPrefix = "AT#VSM=";
constexpr std::string_view kMonitorPrefix = "AT#CS=";
constexpr std::string_view kFaxReceptionPrefix = "AT#FAX=";
constexpr std::string_view kLocalIdPrefix = "AT#FLID=";
constexpr std::string_view kPagerCallPrefix = "AT&Z30=";
constexpr std::string_view kDatePrefix = "AT#DATE=";
constexpr std::string_view kTimePrefix = "AT#TIME=";
constexpr std::string_view kPagerNumberPrefix = "AT&Z31=";
constexpr std::string_view kCallerIdPrefix = "AT+VCID=";

// The modem's recording modes: 2 keeps more messages at lower quality, 4 fewer at higher quality.
constexpr std::string_view kMoreMessages = "2";
constexpr std::string_view kHigherQuality = "4";
// The modem's clock has no seconds field of its own to set; it is always given 30.
constexpr std::string_view kFixedSeconds = "30";

// "THUR" has four letters, the others three: that is how the modem spells them.
constexpr std::array<std::string_view, 7> kWeekdays = {"SUN", "MON", "TUE", "WED", "THUR", "FRI", "SAT"};

std::string_view OnOff(bool on) {
    return on ? "1" : "0";
}

std::string RingCommand(const ModemSettings& s) {
    return modem::CommandWithValue(kRingPrefix, s.ringText);
}

std::string PasswordCommand(const ModemSettings& s) {
    return modem::CommandWithValue(kPasswordPrefix, s.pass);
}

std::string TollSaverCommand(const ModemSettings& s) {
    return modem::CommandWithValue(kTollSaverPrefix, OnOff(s.ts == 1));
}

std::string QualityCommand(const ModemSettings& s) {
    // With neither quality button chosen the modem gets an empty value and keeps its own mode.
    const std::string_view value = s.vsm == 0 ? kMoreMessages : s.vsm == 1 ? kHigherQuality : std::string_view{};
    return modem::CommandWithValue(kQualityPrefix, value);
}

std::string MonitorCommand(const ModemSettings& s) {
    return modem::CommandWithValue(kMonitorPrefix, OnOff(s.cs == 1));
}

std::string FaxReceptionCommand(const ModemSettings& s) {
    return modem::CommandWithValue(kFaxReceptionPrefix, OnOff(s.fax == 1));
}

std::string LocalIdCommand(const ModemSettings& s) {
    return modem::CommandWithValue(kLocalIdPrefix, "\"" + s.id + "\"");
}

std::string PagerCallCommand(const ModemSettings& s) {
    return modem::CommandWithValue(kPagerCallPrefix, (s.bp == 1 ? "1," : "0,") + s.newNumText);
}

std::string DateCommand(const ModemClock& c) {
    // An index outside the week (never given by the dialog, whose list always has a selection)
    // sends an empty word rather than reading past the table.
    const std::string_view word =
        c.weekday >= 0 && c.weekday < static_cast<int>(kWeekdays.size()) ? kWeekdays[c.weekday] : std::string_view{};
    return modem::CommandWithValue(kDatePrefix, std::string(word) + "," + c.month + "," + c.day + "," + c.year);
}

std::string TimeCommand(const ModemClock& c) {
    return modem::CommandWithValue(kTimePrefix, c.hour + "," + c.minute + "," + std::string(kFixedSeconds) + "," +
                                                    (c.pm == 0 ? "AM" : "PM"));
}

std::string PagerNumberCommand(const ModemSettings& s) {
    return modem::CommandWithValue(kPagerNumberPrefix, s.bpNum);
}

std::string CallerIdCommand(const ModemSettings& s) {
    return modem::CommandWithValue(kCallerIdPrefix, OnOff(s.callId != 0));
}

} // namespace

int SendSettings(ModemLink& link, const ModemSettings& settings, const ModemClock& clock) {
    const std::array<std::string, 12> commands = {
        RingCommand(settings),    PasswordCommand(settings),    TollSaverCommand(settings),
        QualityCommand(settings), MonitorCommand(settings),     FaxReceptionCommand(settings),
        LocalIdCommand(settings), PagerCallCommand(settings),   DateCommand(clock),
        TimeCommand(clock),       PagerNumberCommand(settings), CallerIdCommand(settings),
    };
    for (size_t i = 0; i < commands.size(); ++i) {
        // The full second is always waited; an "OK" that comes later than that is not seen and
        // counts as a refusal.
        if (!link.SendExpectingOk(commands[i], modem::kLongWait))
            return static_cast<int>(i) + 1;
    }
    // The modem stores its configuration. The twelve settings are in effect, but without its "OK"
    // nothing says they survive the modem's next start: the user is told the transfer failed rather
    // than that it was done.
    if (!link.SendExpectingOk(modem::kStoreConfiguration, modem::kLongWait))
        return static_cast<int>(commands.size()) + 1;
    return 0;
}
