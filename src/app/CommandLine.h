// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

#include <string>

class QTextStream;

// The program's command line: without options the window; --read-faxes reads the faxes without a
// window; --help and --version tell and end. --program-directory DIR names the program directory
// for the window and the read alike.
struct CommandLine {
    // A read of many long faxes at the serial line's speed ends well within this.
    static constexpr int kDefaultTimeLimitMinutes = 60;
    enum class Action { Window, ReadFaxes, Exit };
    Action action = Action::Window;
    QString programDirectory;                        // the value of --program-directory; null when not given
    int timeLimitMinutes = kDefaultTimeLimitMinutes; // --time-limit: a read ends after so long; 0: never
    int exitStatus = 0;                              // for Exit
    QString output; // for Exit: what to print (standard output for --help and --version)
    bool outputIsError = false;
};

CommandLine ParseCommandLine(const QStringList& arguments);

// faxdesk --read-faxes: progress on `err`, the summary on `out`; returns the exit status. While
// the window runs, the running program does the read (the port is never shared); otherwise this
// process reads, holding the single-instance lock meanwhile. RERAVA.INI and the page files lie in
// `programDirectory` (with its trailing '/'). `directoryNamed`: the option or the environment named
// that directory; a running program that keeps its faxes elsewhere then refuses the read. Without
// it the running program reads into its own directory.
// SIGTERM, SIGINT and SIGHUP, and `timeLimitMinutes` (0: none) passing, end this process's own
// read cleanly: the modem set back to data mode, the port closed, a fax the modem still holds left
// there (exit status 128 + the signal's number, or 7).
int RunCommandLineRead(const std::string& programDirectory, bool directoryNamed, int timeLimitMinutes, QTextStream& out,
                       QTextStream& err);
