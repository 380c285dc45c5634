// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The transfer of the settings and the clock to the modem lives here.
