// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MessageBoxService.h"
#include "app/Status.h"
#include "fax/FaxRetrieval.h"
#include "faxlist/CFAXDESKView.h"

namespace {

// The read command's view of the program: the status bar and busy flag, the main window it
// disables, the message boxes, and the list it reloads.
class ViewCommandHost final : public retrieval::CommandHost {
public:
    explicit ViewCommandHost(CFAXDESKView& view) : m_view(view) {}

    void SetStatusText(const QString& text) override { status::SetStatusText(text); }
    void SetBusy(bool busy) override { status::SetBusy(busy); }
    void EnableMainWindow(bool enable) override { m_view.window()->setEnabled(enable); }
    void ShowStopMessage(const QString& text) override {
        m_view.Services().messages.Show(m_view.window(), text, MessageBoxService::Icon::Stop);
    }
    void ReloadRows() override { m_view.ReloadRows(); }

private:
    CFAXDESKView& m_view;
};

} // namespace

// Command 32773: fetch every fax the modem holds, then show the list with the new ones.
void CFAXDESKView::OnReadFaxes() {
    ViewCommandHost host(*this);
    const retrieval::Context context{
        m_link, m_writer, m_store, m_tempDirectory, m_programDirectory, m_services.wallClock, host};
    retrieval::RunReadCommand(context, host);
}
