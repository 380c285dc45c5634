// SPDX-License-Identifier: GPL-3.0-or-later
#include "faxlist/CFAXDESKView.h"

// The read-faxes command; not wired to its dialog or exchange yet.
void CFAXDESKView::OnReadFaxes() {}
