// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/fax/FaxRecordStore.h"
#include "core/platform/FileFollower.h"
#include "ui/faxlist/ReportListView.h"
#include "ui/kit/AppServices.h"

#include <string>
#include <vector>

class FaxReader;

// The list of received faxes, the client area of the main window. Five columns, one row per fax
// record of RERAVA.INI. Every menu command but about and exit arrives here: view and delete are
// the view's own; read, settings, phone numbers and caller records are one function each in their
// feature's folder (ui/read, ui/settings, ui/phonebook). The list shows the records of the fax
// reader's store; the reader (built by the main window) also serves the read command.
class FaxListView : public ReportListView {
    Q_OBJECT
public:
    enum Column { kColumnTime, kColumnId, kColumnRead, kColumnPages, kColumnResolution };

    FaxListView(const AppServices& services, FaxReader& reader, QWidget* parent = nullptr);
    ~FaxListView() override;

    // Empties the list and fills it from the record store in one go; this also rebuilds the row map.
    void ReloadRows();
    // ReloadRows, keeping the selection on the same record where it still exists: for a list that
    // follows RERAVA.INI changed by someone else (a read on the command line, another tool).
    void ReloadRowsKeepingSelection();
    // The faxes of the list not yet viewed.
    int UnreadCount() const;
    // Shows "已阅" in the read column of `row`.
    void SetReadMark(int row);

    // "传真读取(&R)" (src/ui/read/ReadFaxesCommand.h).
    void OnReadFaxes();
    // "传真阅览(&B)" and a double-click in the list.
    void OnViewFax();
    // "传真删除(&D)".
    void OnDeleteFax();
    // The built-in viewer's commands on the selected fax (src/ui/viewer/FaxViewerCommands.h); each
    // marks the fax read when it did its work.
    void OnPreviewFax();
    void OnPrintFax();
    void OnExportPdf();
    // "参数设置(&S)" (src/ui/settings/ModemSettingsCommand.h).
    void OnModemSettings();
    // "电话号码(&P)" (src/ui/phonebook/PhoneNumbersCommand.h).
    void OnPhoneNumbers();
    // "来电记录(&I)" (src/ui/phonebook/CallerRecordsCommand.h).
    void OnCallerRecords();

    const AppServices& Services() const { return m_services; }
    FaxRecordStore& Store() { return m_store; }

private:
    // The selected row and its record; false when none is selected or its record is gone.
    bool SelectedRecord(int& row, FaxRecord& record) const;
    void RunOnSelectedFax(bool (*command)(const FaxRecord&, const AppServices&, QWidget*));

    const AppServices& m_services;
    FaxReader& m_reader;
    FaxRecordStore& m_store;                // the reader's
    std::vector<std::string> m_rowSections; // the record of each row, as the last load listed them
    std::vector<bool> m_rowRead;            // whether each row's fax has been viewed
    FileFollower m_follower;
};
