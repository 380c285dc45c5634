// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/faxlist/FaxListView.h"

#include "core/fax/FaxReader.h"
#include "core/platform/Gbk.h"
#include "core/platform/ProfileFile.h"
#include "core/platform/ProgramIni.h"
#include "ui/kit/MessageBoxService.h"
#include "ui/kit/ModemCommand.h"
#include "ui/phonebook/CallerRecordsCommand.h"
#include "ui/phonebook/PhoneNumbersCommand.h"
#include "ui/read/ReadFaxesCommand.h"
#include "ui/settings/ModemSettingsCommand.h"
#include "ui/viewer/FaxViewerCommands.h"

#include <QFile>

#include <algorithm>

namespace {
const char* const kSettings = programini::kSettingsSection;

// A row-map entry that is missing reads "NULL"; such a row is not acted on.
bool IsNull(const std::string& value) {
    return value == FaxRecordStore::kNull;
}

// Leading and trailing blanks, tabs and line ends removed.
std::string Trimmed(const std::string& text) {
    const char* const kSpace = " \t\r\n\v\f";
    const size_t first = text.find_first_not_of(kSpace);
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(kSpace) - first + 1);
}
} // namespace

FaxListView::FaxListView(const AppServices& services, FaxReader& reader, QWidget* parent)
    : ReportListView(parent), m_services(services), m_reader(reader), m_store(reader.Store()),
      m_follower(QFile::decodeName(QByteArray::fromStdString(programini::PathIn(services.programDirectory))),
                 [this] { ReloadRowsKeepingSelection(); }) {
    setObjectName(QStringLiteral("faxListView"));

    InsertColumn(QStringLiteral("读取时间"), 150);
    InsertColumn(QStringLiteral("对方ID"), 200);
    InsertColumn(QStringLiteral("阅览"), 50);
    InsertColumn(QStringLiteral("传真页数"), 100);
    InsertColumn(QStringLiteral("传真分辨率"), 100);

    connect(this, &ReportListView::LeftDoubleClicked, this, &FaxListView::OnViewFax);
    ReloadRows();
}

FaxListView::~FaxListView() = default;

void FaxListView::ReloadRows() {
    std::vector<QStringList> rows;
    m_rowSections.clear();
    m_rowRead.clear();
    gbk::Decoder decode;
    m_store.LoadRecords([this, &rows, &decode](const FaxRecord& record) {
        rows.push_back(
            {decode(record.time), decode(record.id), record.read ? QStringLiteral("已阅") : QStringLiteral("未阅"),
             // A fax whose last page broke off, still in the modem: marked until its whole
             // copy comes.
             record.incomplete.empty() ? decode(record.page) : decode(record.page) + QStringLiteral("（不完整）"),
             record.fine ? QStringLiteral("高") : QStringLiteral("低")});
        m_rowSections.push_back(record.section);
        m_rowRead.push_back(record.read);
    });
    Rows().SetRows(std::move(rows));
    // The load has rewritten the row map: that write is the list's own, nothing to follow.
    m_follower.Acknowledge();
}

void FaxListView::ReloadRowsKeepingSelection() {
    const int selected = SelectedRow();
    const std::string section =
        selected >= 0 && size_t(selected) < m_rowSections.size() ? m_rowSections[size_t(selected)] : std::string();
    ReloadRows();
    if (section.empty())
        return;
    for (size_t row = 0; row < m_rowSections.size(); ++row)
        if (m_rowSections[row] == section) {
            SelectRow(int(row));
            return;
        }
}

int FaxListView::UnreadCount() const {
    return static_cast<int>(std::count(m_rowRead.begin(), m_rowRead.end(), false));
}

void FaxListView::SetReadMark(int row) {
    Rows().SetCell(row, kColumnRead, QStringLiteral("已阅"));
    if (row >= 0 && size_t(row) < m_rowRead.size())
        m_rowRead[size_t(row)] = true;
}

void FaxListView::OnViewFax() {
    const int row = SelectedRow();
    if (row < 0)
        return;
    const std::string file = m_store.FileOfRow(row);
    const std::string section = m_store.SectionOfRow(row);
    if (IsNull(file) || IsNull(section))
        return;

    const ProfileFile ini = ProfileFile::Load(m_store.IniPath());
    const std::string viewer = ini.GetString(kSettings, "FAXVIEW", FaxRecordStore::kNull);
    const int viewFax = ini.GetInt(kSettings, "ViewFax", 1);
    // A viewer that was never chosen or is gone leaves the fax to the desktop's program for the
    // file type, as if that had been chosen.
    const bool withViewer =
        viewFax == 0 && viewer != FaxRecordStore::kNull && !viewer.empty() && m_services.shell.IsProgram(viewer);
    // The viewer's command line is the viewer path, two blanks and the page file; started without a
    // shell, the viewer as the program and the page file as its one argument.
    const bool started =
        withViewer ? m_services.shell.StartProgram(viewer, file) : m_services.shell.OpenByFileType(Trimmed(file));
    if (!started) {
        // Where the external program cannot be started (nothing on this desktop opens the file type,
        // the viewer fails), the fax opens in the built-in viewer instead of not at all.
        FaxRecord record;
        if (!m_store.ReadRecord(section, record) || !PreviewFaxCommand(record, m_services, this))
            return; // nothing could show it: the fax stays unread
    }
    m_store.MarkRead(section);
    SetReadMark(row);
}

bool FaxListView::SelectedRecord(int& row, FaxRecord& record) const {
    row = SelectedRow();
    if (row < 0)
        return false;
    const std::string section = m_store.SectionOfRow(row);
    return !IsNull(section) && m_store.ReadRecord(section, record);
}

void FaxListView::RunOnSelectedFax(bool (*command)(const FaxRecord&, const AppServices&, QWidget*)) {
    int row = -1;
    FaxRecord record;
    if (!SelectedRecord(row, record))
        return;
    if (command(record, m_services, this)) {
        m_store.MarkRead(record.section);
        SetReadMark(row);
    }
}

void FaxListView::OnPreviewFax() {
    RunOnSelectedFax(&PreviewFaxCommand);
}

void FaxListView::OnPrintFax() {
    RunOnSelectedFax(&PrintFaxCommand);
}

void FaxListView::OnExportPdf() {
    RunOnSelectedFax(&ExportPdfCommand);
}

void FaxListView::OnDeleteFax() {
    const int row = SelectedRow();
    if (row < 0)
        return;
    const std::string file = m_store.FileOfRow(row);
    const std::string section = m_store.SectionOfRow(row);
    if (IsNull(section))
        return;
    // The page file may already be gone; the record goes all the same.
    m_store.DeleteFax(section, IsNull(file) ? std::string() : file);
    Rows().RemoveRow(row);
    ReloadRows();
}

// The modem commands: one at a time, the main window inert from their first step to their end,
// their dialogs in front of it.
void FaxListView::OnReadFaxes() {
    const ModemCommandScope command(window());
    if (!command.Started())
        return;
    RunReadFaxesCommand(m_services, *this, m_reader, [this] { ReloadRows(); });
}

void FaxListView::OnModemSettings() {
    const ModemCommandScope command(window());
    if (command.Started())
        RunModemSettingsCommand(m_services, m_reader.ProgramDirectory(), window());
}

void FaxListView::OnPhoneNumbers() {
    const ModemCommandScope command(window());
    if (command.Started())
        RunPhoneNumbersCommand(m_services, m_reader.ProgramDirectory(), window());
}

void FaxListView::OnCallerRecords() {
    const ModemCommandScope command(window());
    if (command.Started())
        RunCallerRecordsCommand(m_services, window());
}
