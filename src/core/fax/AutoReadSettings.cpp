// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/fax/AutoReadSettings.h"

#include "core/platform/ProfileFile.h"

#include <algorithm>

AutoReadSettings AutoReadSettings::Load(const std::string& iniPath) {
    // Read at every start: two keys looked up in one reading of the file, not the whole file (with
    // thousands of records) built in memory once more.
    const std::vector<int> values = profile::GetInts(iniPath, kSection, {{"Enabled", 0}, {"Minutes", kDefaultMinutes}});
    AutoReadSettings settings;
    settings.enabled = values[0] == 1;
    settings.minutes = std::clamp(values[1], kMinMinutes, kMaxMinutes);
    return settings;
}

bool AutoReadSettings::Save(const std::string& iniPath) const {
    ProfileFile ini = ProfileFile::Load(iniPath);
    ini.WriteString(kSection, "Enabled", enabled ? "1" : "0");
    ini.WriteString(kSection, "Minutes", std::to_string(std::clamp(minutes, kMinMinutes, kMaxMinutes)));
    return ini.Save();
}
