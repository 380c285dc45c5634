// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

// Automatic reading: whether the running program reads the faxes by itself, and how often. Kept in
// RERAVA.INI in a section of its own:
//
//     [AUTOREAD]
//     Enabled=1
//     Minutes=15
struct AutoReadSettings {
    static constexpr const char* kSection = "AUTOREAD";
    static constexpr int kMinMinutes = 5;
    static constexpr int kMaxMinutes = 1440;
    static constexpr int kDefaultMinutes = 15;

    bool enabled = false;
    int minutes = kDefaultMinutes;

    // Absent keys read as off, every 15 minutes; an interval outside 5 to 1440 minutes (a hand
    // edit) is brought to the nearest end.
    static AutoReadSettings Load(const std::string& iniPath);
    // Both keys in one write of the file.
    bool Save(const std::string& iniPath) const;

    bool operator==(const AutoReadSettings&) const = default;
};
