// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/phonebook/CallerRecords.h"

#include "core/modem/ModemCommands.h"
#include "core/modem/ModemLink.h"
#include "core/platform/Gbk.h"
#include "core/platform/ProfileFile.h"
#include "core/platform/TempFile.h"

#include <QString>

#include <cstdio>

namespace callerlog {
namespace {

struct Words {
    std::string month = gbk::ToStd(QStringLiteral("月"));
    std::string day = gbk::ToStd(QStringLiteral("日"));
    std::string hour = gbk::ToStd(QStringLiteral("时"));
    std::string minute = gbk::ToStd(QStringLiteral("分"));
    std::string caller = gbk::ToStd(QStringLiteral("\t\t来电号码："));
};

const Words& TheWords() {
    static const Words words;
    return words;
}

// The pair at `pos` of the time part, as far as it goes.
std::string Pair(std::string_view time, size_t pos) {
    if (pos >= time.size())
        return {};
    return std::string(time.substr(pos, 2));
}

std::string_view UpToZero(std::string_view bytes) {
    const size_t zero = bytes.find('\0');
    return zero == std::string_view::npos ? bytes : bytes.substr(0, zero);
}

} // namespace

std::string FormatCallerRecord(const std::string& value) {
    const size_t split = value.size() > 8 ? value.size() - 8 : 0;
    const std::string_view time = std::string_view(value).substr(split);
    const std::string number = value.substr(0, split);
    const Words& w = TheWords();
    return Pair(time, 4) + w.month + Pair(time, 6) + w.day + Pair(time, 0) + w.hour + Pair(time, 2) + w.minute +
           w.caller + number;
}

namespace {
std::vector<std::string> RecordsOf(const ProfileFile& listing) {
    std::vector<std::string> lines;
    for (std::string_view key : kRecordKeys) {
        const std::string value = listing.GetString(std::string(modem::kCallerSection), std::string(key), "");
        if (!value.empty())
            lines.push_back(FormatCallerRecord(value));
    }
    return lines;
}
} // namespace

std::vector<std::string> RecordsOfListingFile(const std::string& path) {
    return RecordsOf(ProfileFile::Load(path));
}

std::vector<std::string> RecordsOfListing(const std::string& listing) {
    return RecordsOf(ProfileFile::Parse(listing));
}

std::string JoinListing(std::string_view early, std::string_view rest) {
    std::string text(UpToZero(early));
    text += UpToZero(rest);
    return text;
}

std::vector<std::string> ReadCallerRecords(ModemLink& link) {
    return ReadCallerRecords(link, tempfile::TempDirectory());
}

std::vector<std::string> ReadCallerRecords(ModemLink& link, const std::string& tempDirectory) {
    const std::string path = tempfile::CreateUnique(tempDirectory, "TAM");
    if (path.empty())
        return {};

    const ModemLink::ReplyToOk reply = link.SendUntilOkLine(modem::kCallerListing, modem::kShortWait);
    // A listing that came whole within the command's wait ends at its OK line.
    const std::string listing =
        reply.earlyOkLine != std::string::npos
            ? JoinListing(std::string_view(reply.early).substr(0, reply.earlyOkLine + modem::kOkLine.size()), {})
            : JoinListing(reply.early, reply.rest);

    if (std::FILE* file = std::fopen(path.c_str(), "wb")) {
        std::fwrite(listing.data(), 1, listing.size(), file);
        std::fclose(file);
    }
    std::vector<std::string> lines = RecordsOfListingFile(path);
    std::remove(path.c_str());
    return lines;
}

} // namespace callerlog
