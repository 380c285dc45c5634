// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The read command's host for the benchmarks that run it without a window: it prints the stop
// message (the one thing a reader of the benchmark's output wants to see) and ignores the rest.
#include "fax/FaxRetrieval.h"

#include <QString>

#include <cstdio>

namespace bench {

class PrintingHost final : public retrieval::CommandHost {
public:
    void SetStatusText(const QString&) override {}
    void SetBusy(bool) override {}
    void EnableMainWindow(bool) override {}
    void ShowStopMessage(const QString& text, const QString&) override {
        std::printf("message: %s\n", text.toUtf8().constData());
    }
    void ReloadRows() override {}
};

} // namespace bench
