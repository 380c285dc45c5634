// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/platform/ProgramIni.h"

#include <string>

// The program's copy of the settings the modem last accepted, section "DEZAZAZE" of RERAVA.INI,
// and the program's own choice of how a fax is opened. Texts are GBK bytes.
struct ModemSettings {
    int ring = 4;        // "RING"
    int newNum = 1;      // "NewNum"
    std::string bpNum;   // "BpNum"
    int bp = 0;          // "Bp"
    int callId = 0;      // "CALLID"
    int ts = 1;          // "TS"
    int fax = 1;         // "FAX"
    int cs = 1;          // "CS"
    std::string pass;    // "PASS"
    std::string id;      // "ID"
    int vsm = 1;         // "VSM": 0, 1, or -1 for no quality button selected (never written)
    int viewFax = 1;     // "ViewFax"
    std::string faxView; // "FAXVIEW"
    // At save time: the texts of the entries chosen in the ring-count and new-message-count lists.
    std::string ringText;
    std::string newNumText;
};

using programini::kSettingsSection;

ModemSettings LoadSettings(const std::string& iniPath);
void SaveSettings(const std::string& iniPath, const ModemSettings& settings);
