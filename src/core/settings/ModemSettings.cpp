// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/settings/ModemSettings.h"

#include "core/platform/ProfileFile.h"

namespace {
const char* Flag(bool on) {
    return on ? "1" : "0";
}
} // namespace

ModemSettings LoadSettings(const std::string& iniPath) {
    const ProfileFile ini = ProfileFile::Load(iniPath);
    const ModemSettings defaults;
    ModemSettings s;
    s.ring = ini.GetInt(kSettingsSection, "RING", defaults.ring);
    s.newNum = ini.GetInt(kSettingsSection, "NewNum", defaults.newNum);
    s.bpNum = ini.GetString(kSettingsSection, "BpNum", "");
    s.bp = ini.GetInt(kSettingsSection, "Bp", defaults.bp);
    s.callId = ini.GetInt(kSettingsSection, "CALLID", defaults.callId);
    s.ts = ini.GetInt(kSettingsSection, "TS", defaults.ts);
    s.fax = ini.GetInt(kSettingsSection, "Fax", defaults.fax);
    s.cs = ini.GetInt(kSettingsSection, "CS", defaults.cs);
    s.pass = ini.GetString(kSettingsSection, "PASS", "");
    s.id = ini.GetString(kSettingsSection, "ID", "");
    s.vsm = ini.GetInt(kSettingsSection, "VSM", defaults.vsm);
    s.viewFax = ini.GetInt(kSettingsSection, "ViewFax", defaults.viewFax);
    s.faxView = ini.GetString(kSettingsSection, "FAXVIEW", "");
    return s;
}

void SaveSettings(const std::string& iniPath, const ModemSettings& s) {
    // The keys in the order the program has always written them, so that new keys line up in the
    // section as before; one save gives the file that one write per key would give.
    ProfileFile ini = ProfileFile::Load(iniPath);
    ini.WriteString(kSettingsSection, "ViewFax", Flag(s.viewFax != 0));
    ini.WriteString(kSettingsSection, "CALLID", Flag(s.callId != 0));
    ini.WriteString(kSettingsSection, "BpNum", s.bpNum);
    ini.WriteString(kSettingsSection, "Bp", Flag(s.bp == 1));
    // No entry chosen in a list (only a stored value outside the list gives that): the key keeps
    // what it holds.
    if (!s.newNumText.empty())
        ini.WriteString(kSettingsSection, "NewNum", s.newNumText);
    ini.WriteString(kSettingsSection, "TS", Flag(s.ts == 1));
    ini.WriteString(kSettingsSection, "FAX", Flag(s.fax == 1));
    ini.WriteString(kSettingsSection, "CS", Flag(s.cs == 1));
    ini.WriteString(kSettingsSection, "PASS", s.pass);
    ini.WriteString(kSettingsSection, "ID", s.id);
    if (!s.ringText.empty())
        ini.WriteString(kSettingsSection, "RING", s.ringText);
    // Neither quality button selected: the stored value stays.
    if (s.vsm == 0 || s.vsm == 1)
        ini.WriteString(kSettingsSection, "VSM", Flag(s.vsm == 1));
    if (s.faxView.empty())
        ini.DeleteKey(kSettingsSection, "FAXVIEW");
    else
        ini.WriteString(kSettingsSection, "FAXVIEW", s.faxView);
    ini.Save();
}
