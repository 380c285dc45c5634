// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/fax/FaxRetrieval.h"

#include <functional>

class FaxReader;
class QWidget;
struct AppServices;

// The read command (MenuCommand::ReadFaxes): fetches every fax the modem holds through `reader`
// and shows how it went. While it runs the wait cursor is on, the main window of `list` is
// disabled and the status bar tells the progress; a failure is told with the stop icon (with the
// normal cursor), then the window comes back and `reloadRows` fills the list again. Returns what
// the read handed back.
retrieval::ReadOutcome RunReadFaxesCommand(const AppServices& services, QWidget& list, FaxReader& reader,
                                           const std::function<void()>& reloadRows);
