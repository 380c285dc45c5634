// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <functional>
#include <string>
#include <vector>

class ModemLink;
class FaxFileWriter;
class FaxRecordStore;
class WallClock;

// The read command without anyone watching: from the command line (faxdesk --read-faxes), for a
// command line handed over to the running program, and for the automatic reading of the window.
// The modem exchange, the records and the page files are those of the read command; only the
// message boxes are replaced by an outcome the caller reports in its own way.
namespace retrieval {

// One fax brought in by a read.
struct RecordedFax {
    QString id; // the sender's identification
    int pages = 0;
    QString file; // the page file
};

struct ReadOutcome {
    int result = 0; // the result code of ReadStoredFaxes
    std::vector<RecordedFax> faxes;
    QString details; // what the window's message would show under "详细信息": each port tried, when none answered
};

// Where the read command works: the same objects the fax list's read command uses.
struct ReadEnvironment {
    ModemLink& link;
    FaxFileWriter& writer;
    FaxRecordStore& store;
    std::string tempDirectory;    // capture files, with a trailing '/'
    std::string programDirectory; // page files, with a trailing '/'
    const WallClock& wallClock;
};

// What a quiet read tells while it runs: each status text as it changes (the read command's
// progress texts, ending with the idle text), and each fax once it is recorded.
struct ReadProgress {
    std::function<void(const QString&)> status;
    std::function<void(const RecordedFax&)> fax;
};

// The whole read command (COM1, else COM2; the retrieval; the modem put back into data mode; the
// port closed) without a window or a message box.
ReadOutcome RunQuietRead(const ReadEnvironment& environment, const ReadProgress& progress);

// Exit statuses of faxdesk --read-faxes.
enum ExitStatus : int {
    kExitRead = 0,         // faxes were read
    kExitUsage = 1,        // the command line was not understood
    kExitNoFax = 2,        // the modem holds no fax
    kExitNoModem = 3,      // no modem answered on COM1 or COM2
    kExitSetUpFailed = 4,  // the modem did not accept the fax parameters
    kExitBusy = 5,         // the running program is busy with another command, or cannot be reached
    kExitUnrecordable = 6, // the program directory's name cannot be written into RERAVA.INI
    kExitFailedAtFax = 10  // 10 + n: reading fax n failed (the faxes before it are recorded); 255 at most
};
int ExitStatusOf(int result);
// The fax a result code failed at (1 for the first), or 0 when it names no fax.
int FailedFax(int result);

// The progress line of a recorded fax: "第 1 份传真：+86 10 87654321，3 页".
QString FaxLine(int faxNumber, const RecordedFax& fax);
// The summary of a read: a line telling the outcome, then one line per fax read: page file, page
// count and sender, separated by tabs.
QString SummaryText(const ReadOutcome& outcome);
// The summary when the running program would not take the read.
QString BusyText();

} // namespace retrieval
