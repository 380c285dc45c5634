// SPDX-License-Identifier: GPL-3.0-or-later
#include "fax/ReadFaxesCommand.h"

#include "fax/FaxRetrieval.h"
#include "gui/AppServices.h"
#include "gui/MessageBoxService.h"
#include "gui/Status.h"

#include <QWidget>

namespace {

// The read command's view of the program: the status bar and busy flag, the main window it
// disables, the message boxes, and the list it reloads.
class ListCommandHost final : public retrieval::CommandHost {
public:
    ListCommandHost(const AppServices& services, QWidget& list, const std::function<void()>& reloadRows)
        : m_services(services), m_list(list), m_reloadRows(reloadRows) {}

    void SetStatusText(const QString& text) override { status::SetStatusText(text); }
    void SetBusy(bool busy) override { status::SetBusy(busy); }
    void EnableMainWindow(bool enable) override { m_list.window()->setEnabled(enable); }
    void ShowStopMessage(const QString& text, const QString& details) override {
        m_services.messages.ShowWithDetails(m_list.window(), text, MessageBoxService::Icon::Stop, details);
    }
    void ReloadRows() override { m_reloadRows(); }

private:
    const AppServices& m_services;
    QWidget& m_list;
    const std::function<void()>& m_reloadRows;
};

} // namespace

void RunReadFaxesCommand(const AppServices& services, QWidget& list, ModemLink& link, FaxFileWriter& writer,
                         FaxRecordStore& store, const std::string& tempDirectory, const std::string& programDirectory,
                         const std::function<void()>& reloadRows) {
    ListCommandHost host(services, list, reloadRows);
    const retrieval::Context context{link, writer, store, tempDirectory, programDirectory, services.wallClock, host};
    retrieval::RunReadCommand(context, host);
}
