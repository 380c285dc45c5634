// SPDX-License-Identifier: GPL-3.0-or-later
// The modem's caller listing is outside input: whatever bytes come after "AT&V\r" are saved and read
// as a profile file, and every record value becomes a list line. Nothing may crash or read out of
// bounds, and every line keeps its fixed words.
#include "phonebook/CallerRecords.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);

    // The first byte says where the command's own read ended and the wait for "OK" began.
    const size_t split = size == 0 ? 0 : data[0] % (size + 1);
    const std::string listing =
        callerlog::JoinListing(std::string_view(bytes).substr(0, split), std::string_view(bytes).substr(split));

    static const std::string path = "/tmp/fuzz_caller_listing." + std::to_string(::getpid()) + ".TMP";
    if (std::FILE* file = std::fopen(path.c_str(), "wb")) {
        std::fwrite(listing.data(), 1, listing.size(), file);
        std::fclose(file);
        const std::vector<std::string> lines = callerlog::RecordsOfListingFile(path);
        if (lines.size() > callerlog::kRecordKeys.size())
            std::abort();
    }

    const std::string line = callerlog::FormatCallerRecord(bytes.substr(0, 254));
    if (line.size() < 8 + 4 * 2) // the four pairs' words and the caller's words at the least
        std::abort();
    return 0;
}
