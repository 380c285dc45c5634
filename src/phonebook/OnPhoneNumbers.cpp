// SPDX-License-Identifier: GPL-3.0-or-later
#include "faxlist/CFAXDESKView.h"

// The phone-number command; not wired to its dialog or exchange yet.
void CFAXDESKView::OnPhoneNumbers() {}
