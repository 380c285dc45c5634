// SPDX-License-Identifier: GPL-3.0-or-later
// The answer report of a fax call comes from the modem: whatever it holds, the parse keeps to its
// limits (at most 20 characters of identification, a DCS text ending in one blank), and the
// record made from it is one record in RERAVA.INI with the page count, resolution and file it was
// given: nothing in the identification can add a line, a key or a section.
#include "FuzzSupport.h"
#include "core/fax/FaxRecordStore.h"
#include "core/fax/FaxRetrieval.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

using fuzzsupport::Check;
using fuzzsupport::Dir;

namespace {

bool IsWhite(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string report(reinterpret_cast<const char*>(data), size);
    const retrieval::AnswerReport answer = retrieval::ParseAnswerReport(report);

    Check(answer.id.size() <= 20);
    Check(answer.id.find('\0') == std::string::npos && answer.dcs.find('\0') == std::string::npos);
    Check(answer.id.empty() || !IsWhite(answer.id.front()));
    Check(!answer.dcs.empty() && answer.dcs.back() == ' ');
    Check(answer.dcs.size() < 2 || !IsWhite(answer.dcs[answer.dcs.size() - 2]));
    Check(answer.fine == (answer.dcs.front() == '1'));

    // The record's round trip through RERAVA.INI costs two file writes: one input in 32 (by its
    // first byte) takes it, so that the parse itself runs at full speed.
    if (size == 0 || data[0] % 32 != 0)
        return 0;
    const std::string path = Dir() + "/RERAVA.INI";
    std::remove(path.c_str());
    FaxRecordStore store;
    store.OpenStoreAt(path);
    const uint8_t pages = size == 0 ? 1 : data[size - 1];
    Check(store.AppendRecord(Dir() + "/20261207223815.TIF", "2026/12/07  22:38:15", answer.id, pages, answer.fine) ==
          std::optional<int>(1));
    std::vector<FaxRecord> rows;
    store.LoadRecords([&rows](const FaxRecord& record) { rows.push_back(record); });
    Check(rows.size() == 1);
    Check(rows[0].section == "FAX1" && rows[0].time == "2026/12/07  22:38:15");
    Check(rows[0].file == Dir() + "/20261207223815.TIF");
    Check(rows[0].page == std::to_string(pages) && rows[0].fine == answer.fine && !rows[0].read);
    Check(rows[0].id.size() <= answer.id.size());
    return 0;
}
