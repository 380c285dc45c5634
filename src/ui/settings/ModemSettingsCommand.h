// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

struct AppServices;
class QWidget;

// "参数设置(&S)": the modem settings dialog, modal, on the settings of RERAVA.INI in
// `programDirectory` (with its trailing '/'). The status bar names it while it is open; the idle
// text comes back whichever way it ends, also when no modem was found and it never showed.
void RunModemSettingsCommand(const AppServices& services, const std::string& programDirectory,
                             QWidget* parent = nullptr);
