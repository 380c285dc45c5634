// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The read for the benchmarks that run it without a window: it prints the stop message (the one
// thing a reader of the benchmark's output wants to see) and returns the result's code.
#include "core/fax/FaxReader.h"

#include <QString>

#include <cstdio>

namespace bench {

inline int ReadPrintingMessage(FaxReader& reader) {
    const retrieval::ReadOutcome outcome = reader.Read();
    if (const std::optional<retrieval::StopMessage> message = retrieval::StopMessageOf(outcome))
        std::printf("message: %s\n", message->text.toUtf8().constData());
    return outcome.result.Code();
}

} // namespace bench
