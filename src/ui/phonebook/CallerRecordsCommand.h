// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

struct AppServices;
class QWidget;

// "来电记录(&I)": the caller-ID log, modal. The status bar names it while it is open; the idle text
// comes back whichever way it ends, also when no modem was found and it never showed.
void RunCallerRecordsCommand(const AppServices& services, QWidget* parent = nullptr);
