// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <string>

class FaxFileWriter;
class FaxRecordStore;
class ModemLink;
class QWidget;
struct AppServices;

// Command 32773: fetch every fax the modem holds (retrieval::RunReadCommand), then show the list
// with the new ones. `list` is the fax list: its window is disabled while the command runs and is
// the parent of its messages; `reloadRows` fills the list again from `store`. The page files go to
// `programDirectory`, the captures to `tempDirectory` (both with their trailing '/').
void RunReadFaxesCommand(const AppServices& services, QWidget& list, ModemLink& link, FaxFileWriter& writer,
                         FaxRecordStore& store, const std::string& tempDirectory, const std::string& programDirectory,
                         const std::function<void()>& reloadRows);
