// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AutoReader.h"

#include "core/fax/FaxReader.h"
#include "core/fax/ReadReport.h"
#include "ui/faxlist/FaxListView.h"
#include "ui/kit/ModemCommand.h"
#include "ui/kit/Status.h"

#include <QApplication>
#include <QWidget>

namespace {
constexpr int kMinuteMs = 60 * 1000;
const QString kPrefix = QStringLiteral("自动读取传真：");
} // namespace

AutoReader::AutoReader(FaxReader& reader, FaxListView& view, QWidget& window, QObject* parent)
    : QObject(parent), m_reader(reader), m_view(view), m_window(window) {
    // Between reads the program sleeps: these timers are its only wake-ups, and a coarse timer lets
    // the system gather them with others.
    m_timer.setTimerType(Qt::VeryCoarseTimer);
    m_retry.setSingleShot(true);
    m_retry.setTimerType(Qt::CoarseTimer);
    connect(&m_timer, &QTimer::timeout, this, &AutoReader::OnDue);
    connect(&m_retry, &QTimer::timeout, this, &AutoReader::OnDue);
}

void AutoReader::Apply(const AutoReadSettings& settings, bool atStart) {
    m_settings = settings;
    if (!settings.enabled) {
        m_timer.stop();
        m_retry.stop();
        return;
    }
    m_timer.start(settings.minutes * kMinuteMs);
    if (atStart)
        m_retry.start(kStartDelayMs);
}

bool AutoReader::CanStart() const {
    return !m_reading && !status::IsBusy() && m_window.isEnabled() && !ModemCommandScope::Running(&m_window) &&
           !QApplication::activeModalWidget() && !QApplication::activePopupWidget();
}

void AutoReader::OnDue() {
    if (!m_settings.enabled)
        return;
    if (!CanStart()) {
        // Whatever runs now ends some time; the read follows it, not the next interval.
        m_retry.start(kRetryMs);
        return;
    }
    m_retry.stop();
    Read(nullptr);
}

std::optional<retrieval::ReadOutcome> AutoReader::ReadFor(const retrieval::ReadProgress& progress) {
    if (!CanStart())
        return std::nullopt;
    return Read(&progress);
}

retrieval::ReadOutcome AutoReader::Read(const retrieval::ReadProgress* forward) {
    m_reading = true;
    const retrieval::ReadProgress progress{[forward](const QString& text) {
                                               status::SetStatusText(text == retrieval::kIdleText ? text
                                                                                                  : kPrefix + text);
                                               if (forward && forward->status)
                                                   forward->status(text);
                                           },
                                           [forward](const retrieval::RecordedFax& fax) {
                                               if (forward && forward->fax)
                                                   forward->fax(fax);
                                           }};
    const retrieval::ReadOutcome outcome = m_reader.Read(retrieval::WithoutRepeats(progress));
    m_reading = false;
    m_view.ReloadRowsKeepingSelection();

    if (m_notifier) {
        if (!outcome.faxes.empty())
            m_notifier->NewFaxes(outcome.faxes);
        m_notifier->UnreadFaxes(m_view.UnreadCount());
        const bool failed = !outcome.result.Succeeded() && outcome.result.step != retrieval::kNoStoredFax;
        m_notifier->ReadProblem(failed ? retrieval::SummaryText(outcome).section(u'\n', 0, 0) : QString());
    }
    emit ReadFinished();
    return outcome;
}
