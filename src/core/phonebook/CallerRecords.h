// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

class ModemLink;

// The modem's caller-ID log. "AT&V\r" makes the modem list its memory as a profile (INI) text;
// section "TELEPHONE NUMBERS" holds one record per key "0F".."1D": the caller's number followed
// by eight digits, hour, minute, month and day. Texts are GBK bytes.
namespace callerlog {

// The numbers 15 to 29 as two upper-case hexadecimal digits, in the order they are read.
inline constexpr std::array<std::string_view, 15> kRecordKeys = {"0F", "10", "11", "12", "13", "14", "15", "16",
                                                                 "17", "18", "19", "1A", "1B", "1C", "1D"};

// One list line: month "月" day "日" hour "时" minute "分" "\t\t来电号码：" number. The time is the
// last eight bytes of the value (all of it when shorter, the missing pairs then empty); the number
// is what stands before them. Nothing is checked for being a digit.
std::string FormatCallerRecord(const std::string& value);

// The lines of the records in a listing saved as a profile file, in key order; empty values give
// no line.
std::vector<std::string> RecordsOfListingFile(const std::string& path);
// The same for the listing's text itself.
std::vector<std::string> RecordsOfListing(const std::string& listing);

// What the listing text to save is, given what the command's own read took (`early`, every byte)
// and what the wait for the final "OK" line collected (`rest`, a zero-terminated text). Each part
// counts up to its first zero byte. The early bytes stay in front: a modem that answers at once
// has sent the section header within them.
std::string JoinListing(std::string_view early, std::string_view rest);

// Fetches the log over the open link and returns its lines in key order (the list sorts them).
// The listing goes through a temporary file "TAM" + sixteen hexadecimal digits + ".TMP" in `tempDirectory` (ending in a
// separator), deleted afterwards. When no temporary file can be created nothing is sent and no
// line comes back.
std::vector<std::string> ReadCallerRecords(ModemLink& link, const std::string& tempDirectory);
std::vector<std::string> ReadCallerRecords(ModemLink& link);

} // namespace callerlog
