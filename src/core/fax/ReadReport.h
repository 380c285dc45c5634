// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/fax/FaxRetrieval.h"

#include <QString>

// How a read is reported where no window shows it: the command line (faxdesk --read-faxes), a
// command line handed over to the running program, the automatic reading's notifications.
namespace retrieval {

// Exit statuses of faxdesk --read-faxes.
enum ExitStatus : int {
    kExitRead = 0,         // faxes were read
    kExitUsage = 1,        // the command line was not understood
    kExitNoFax = 2,        // the modem holds no fax
    kExitNoModem = 3,      // no modem answered on COM1 or COM2
    kExitSetUpFailed = 4,  // the modem did not accept the fax parameters
    kExitBusy = 5,         // the running program is busy with another command, or cannot be reached
    kExitUnrecordable = 6, // the program directory's name cannot be written into RERAVA.INI, or the
                           // directory cannot be written or has not the room for a fax
    kExitTimeLimit = 7,    // the read ran past its time limit (--time-limit) and was ended
    kExitFailedAtFax = 10  // 10 + n: reading fax n failed (the faxes before it are recorded); 255 at most
};
int ExitStatusOf(const ReadResult& result);

// `progress` without a status text that repeats the one before it: the read names its first step
// twice (around the first port's wake-up), which a window shows as one, and a log need not repeat.
ReadProgress WithoutRepeats(ReadProgress progress);

// The progress line of a recorded fax: "第 1 份传真：+86 10 87654321，3 页".
QString FaxLine(int faxNumber, const RecordedFax& fax);
// The summary of a read: a line telling the outcome, then one line per fax read: page file, page
// count and sender, separated by tabs.
QString SummaryText(const ReadOutcome& outcome);
// The summary when the running program would not take the read.
QString BusyText();

} // namespace retrieval
