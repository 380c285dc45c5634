// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/fax/FaxFileWriter.h"
#include "core/fax/FaxRecordStore.h"
#include "core/fax/FaxRetrieval.h"
#include "core/modem/ModemLink.h"

#include <cstdint>
#include <string>

class WallClock;

// Reads the faxes the modem holds, and owns everything that takes: the modem link, the page file
// writer, the record store and the directories. The program builds one (the main window, or the
// command line without it) and every read goes through it: the read command, the automatic read
// and the command line's read. A read shows nothing: it tells its progress as it goes and hands
// back what happened; the caller decides what the user sees.
class FaxReader {
public:
    // Page files and RERAVA.INI in `programDirectory`, captures in `captureDirectory` (both with
    // their trailing '/'; the program's is SpoolOf(programDirectory)); reception times from
    // `wallClock`.
    FaxReader(LinkEnvironment link, const WallClock& wallClock, std::string programDirectory,
              std::string captureDirectory);
    FaxReader(const FaxReader&) = delete;
    FaxReader& operator=(const FaxReader&) = delete;

    // The whole read: first the captures an earlier read left behind (a crash, a full disk) are
    // recorded; then the modem found on COM1 or else COM2, every stored fax captured, turned into
    // a page file and recorded, the modem put back into data mode and the port closed, whatever
    // happened. The records and page files of the faxes read before a failure stay.
    retrieval::ReadOutcome Read(const retrieval::ReadProgress& progress = {});
    // Ends the read under way early (a signal, a time limit; called from an event its waits pump):
    // the exchange with the modem stops where it stands, the fax under way is handled as one whose
    // line went away, and the modem is set back to data mode and the port closed.
    void Interrupt() { m_link.Interrupt(); }

    // Records the faxes whose captures an earlier read left in the capture directory, as Read does
    // first; for the window's start. Returns them.
    std::vector<retrieval::RecordedFax> RecoverCaptures();

    // The program's capture directory: a directory of its own in the program directory, private to
    // the user, on the same disk as the page files, where a capture outlives a crash.
    static std::string SpoolOf(const std::string& programDirectory) { return programDirectory + ".spool/"; }

    // The free room the program directory must have before the modem is asked for a fax: a page
    // capture at its longest (the link's page limit) and the page file made of it. A read into a
    // directory with less, or one that cannot be written, is refused and the modem keeps its faxes.
    static constexpr uint64_t kRoomNeeded = uint64_t{2} * ModemLink::kMaxPageBytes;
    void SetRoomNeeded(uint64_t bytes) { m_roomNeeded = bytes; }

    FaxRecordStore& Store() { return m_store; }
    const FaxRecordStore& Store() const { return m_store; }
    ModemLink& Link() { return m_link; }
    FaxFileWriter& Writer() { return m_writer; }
    const std::string& ProgramDirectory() const { return m_programDirectory; }
    const std::string& CaptureDirectory() const { return m_captureDirectory; }

private:
    class Run;

    ModemLink m_link;
    FaxFileWriter m_writer;
    FaxRecordStore m_store;
    const WallClock& m_wallClock;
    std::string m_programDirectory;
    std::string m_captureDirectory;
    uint64_t m_roomNeeded = kRoomNeeded;
};
