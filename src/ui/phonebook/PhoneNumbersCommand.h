// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

struct AppServices;
class QWidget;

// "电话号码(&P)": the phone-number memory, modal, with RERAVA.INI in `programDirectory` (with its
// trailing '/'). The status bar names it while it is open; the idle text comes back whichever way
// it ends, also when no modem was found and it never showed.
void RunPhoneNumbersCommand(const AppServices& services, const std::string& programDirectory,
                            QWidget* parent = nullptr);
