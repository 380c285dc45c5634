// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/read/ReadFaxesCommand.h"

#include "core/fax/FaxReader.h"
#include "ui/kit/AppServices.h"
#include "ui/kit/MessageBoxService.h"
#include "ui/kit/Status.h"

#include <QWidget>

retrieval::ReadOutcome RunReadFaxesCommand(const AppServices& services, QWidget& list, FaxReader& reader,
                                           const std::function<void()>& reloadRows) {
    QWidget* window = list.window();
    status::SetBusy(true);
    window->setEnabled(false);

    const retrieval::ReadOutcome outcome = reader.Read({[](const QString& text) { status::SetStatusText(text); }, {}});

    // The user reads the outcome with the normal cursor; the wait cursor is back for the rest.
    if (const std::optional<retrieval::StopMessage> message = retrieval::StopMessageOf(outcome)) {
        status::SetBusy(false);
        services.messages.ShowWithDetails(window, message->text, MessageBoxService::Icon::Stop, message->details);
        status::SetBusy(true);
    }
    window->setEnabled(true);
    status::SetStatusText(outcome.recovered > 0 ? retrieval::RecoveredText(outcome.recovered)
                                                : retrieval::kIdleText.toString());
    status::SetBusy(false);
    reloadRows();
    return outcome;
}
