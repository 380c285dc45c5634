// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/fax/AutoReadSettings.h"
#include "core/fax/FaxRetrieval.h"

#include <QObject>
#include <QStringList>
#include <QTimer>

#include <optional>

class FaxListView;
class FaxReader;
class QWidget;

// Tells the user about faxes that came in by themselves (the system tray in the program).
class FaxNotifier {
public:
    virtual ~FaxNotifier() = default;
    // A read brought in these faxes: one notification for all of them.
    virtual void NewFaxes(const std::vector<retrieval::RecordedFax>& faxes) = 0;
    // The list shows this many unread faxes.
    virtual void UnreadFaxes(int count) = 0;
    // How the last read in the background ended, when it failed (empty: it did not).
    virtual void ReadProblem(const QString& text) = 0;
};

// Reads through the window's fax reader in the background of the running window: every few minutes and once at start
// when automatic reading is on, and for a command line that hands its read over. Such a read never starts while a
// command or a dialog is open (it tries again a little later), and while it runs the window stays usable but the
// commands are refused (MainWindow asks IsReading()). The list keeps its selection; new faxes are told through the
// notifier, a read that finds none says nothing.
class AutoReader final : public QObject {
    Q_OBJECT
public:
    static constexpr int kRetryMs = 30 * 1000; // when the read was due while something else ran
    static constexpr int kStartDelayMs = 2000; // the read at start, once the window is up

    AutoReader(FaxReader& reader, FaxListView& view, QWidget& window, QObject* parent = nullptr);

    void SetNotifier(FaxNotifier* notifier) { m_notifier = notifier; }
    // Starts or stops the timer; `atStart` also schedules the read at start.
    void Apply(const AutoReadSettings& settings, bool atStart = false);
    const AutoReadSettings& Settings() const { return m_settings; }

    // The timer's work: the read now, unless something else is going on.
    void OnDue();
    // A read for a command line: nothing when the program is busy.
    std::optional<retrieval::ReadOutcome> ReadFor(const retrieval::ReadProgress& progress);

    bool IsReading() const { return m_reading; }
    // Nothing else holds the modem or the user: no command, no dialog, no open menu.
    bool CanStart() const;

    const QTimer& Timer() const { return m_timer; }
    const QTimer& RetryTimer() const { return m_retry; }

signals:
    void ReadFinished();

private:
    retrieval::ReadOutcome Read(const retrieval::ReadProgress* forward);

    FaxReader& m_reader;
    FaxListView& m_view;
    QWidget& m_window;
    FaxNotifier* m_notifier = nullptr;
    AutoReadSettings m_settings;
    QTimer m_timer;
    QTimer m_retry;
    bool m_reading = false;
};
