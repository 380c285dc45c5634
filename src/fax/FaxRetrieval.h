// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Fax retrieval (the class 2 playback of the modem's stored faxes) lives here.
