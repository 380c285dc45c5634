// SPDX-License-Identifier: GPL-3.0-or-later
// The modem's caller listing is outside input: whatever bytes come after "AT&V\r" are read as the
// profile file they are saved as, and every record value becomes a list line. Nothing may crash or read out of
// bounds, and every line keeps its fixed words.
#include "core/phonebook/CallerRecords.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);

    // The first byte says where the command's own read ended and the wait for "OK" began.
    const size_t split = size == 0 ? 0 : data[0] % (size + 1);
    const std::string listing =
        callerlog::JoinListing(std::string_view(bytes).substr(0, split), std::string_view(bytes).substr(split));

    // The listing is read as the profile file it is saved as (in memory here: the same rules as
    // the file, without a file write per input).
    const std::vector<std::string> lines = callerlog::RecordsOfListing(listing);
    if (lines.size() > callerlog::kRecordKeys.size())
        std::abort();

    const std::string line = callerlog::FormatCallerRecord(bytes.substr(0, 254));
    if (line.size() < 8 + 4 * 2) // the four pairs' words and the caller's words at the least
        std::abort();
    return 0;
}
