// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "fax/FaxFileWriter.h"
#include "faxlist/CListViewEx.h"
#include "faxlist/FaxRecordStore.h"
#include "gui/AppServices.h"
#include "modem/ModemLink.h"
#include "platform/FileFollower.h"

#include <string>
#include <vector>

// The list of received faxes, the client area of the main window. Five columns, one row per fax
// record of RERAVA.INI. Every menu command but about and exit arrives here: view and delete are
// the view's own; read, settings, phone numbers and caller records are one function each in their
// feature's folder (fax, settings, phonebook), called with what the view owns: the record store,
// the modem link, the fax page file writer and the program and temporary directories.
class CFAXDESKView : public CListViewEx {
    Q_OBJECT
public:
    enum Column { kColumnTime, kColumnId, kColumnRead, kColumnPages, kColumnResolution };

    explicit CFAXDESKView(const AppServices& services, QWidget* parent = nullptr);
    ~CFAXDESKView() override;

    // Empties the list and fills it from the record store in one go; this also rebuilds the row map.
    void ReloadRows();
    // ReloadRows, keeping the selection on the same record where it still exists: for a list that
    // follows RERAVA.INI changed by someone else (a read on the command line, another tool).
    void ReloadRowsKeepingSelection();
    // The rows that show "未阅".
    int UnreadCount() const;
    // Shows "已阅" in the read column of `row`.
    void SetReadMark(int row);

    // Command 32773 (src/fax/ReadFaxesCommand.h).
    void OnReadFaxes();
    // Command 32774 and a double-click in the list.
    void OnViewFax();
    // Command 32776.
    void OnDeleteFax();
    // The built-in viewer's commands on the selected fax (src/viewer/FaxViewerCommands.h); each
    // marks the fax read when it did its work.
    void OnPreviewFax();
    void OnPrintFax();
    void OnExportPdf();
    // Command 32775 (src/settings/ModemSettingsCommand.h).
    void OnModemSettings();
    // Command 32784 (src/phonebook/PhoneNumbersCommand.h).
    void OnPhoneNumbers();
    // Command 32786 (src/phonebook/CallerRecordsCommand.h).
    void OnCallerRecords();

    // What an automatic read runs on: the view's own link, writer and store, between commands.
    const AppServices& Services() const { return m_services; }
    ModemLink& Link() { return m_link; }
    FaxFileWriter& Writer() { return m_writer; }
    FaxRecordStore& Store() { return m_store; }
    // The running program's directory, with its trailing '/'.
    const std::string& ProgramDirectory() const { return m_programDirectory; }
    // The temporary directory, with its trailing '/'.
    const std::string& TempDirectory() const { return m_tempDirectory; }

private:
    // The selected row and its record; false when none is selected or its record is gone.
    bool SelectedRecord(int& row, FaxRecord& record) const;
    void RunOnSelectedFax(bool (*command)(const FaxRecord&, const AppServices&, QWidget*));

    const AppServices& m_services;
    FaxRecordStore m_store;
    std::string m_programDirectory;
    std::string m_tempDirectory;
    ModemLink m_link;
    FaxFileWriter m_writer;
    std::vector<std::string> m_rowSections; // the record of each row, as the last load listed them
    FileFollower m_follower;
};
