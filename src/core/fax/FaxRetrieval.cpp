// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/fax/FaxRetrieval.h"

#include "core/modem/ModemCommands.h"

#include <algorithm>

namespace retrieval {

namespace {

constexpr size_t kIdLength = 20;

bool IsWhite(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

// The text view of raw bytes: up to the first zero byte.
std::string AsText(const std::string& bytes) {
    return bytes.substr(0, std::min(bytes.size(), bytes.find('\0')));
}

// Where the report's final "OK" line begins: an "OK" at the start of a line with nothing after it
// on that line. An "OK" inside a line (a sender named "TOKYO BRANCH") does not end the report.
size_t FinalOkLine(const std::string& text) {
    size_t end = std::string::npos;
    for (size_t at = text.find(modem::kOk); at != std::string::npos; at = text.find(modem::kOk, at + 1)) {
        const size_t after = at + modem::kOk.size();
        const bool lineStart = at == 0 || text[at - 1] == '\n' || text[at - 1] == '\r';
        const bool lineEnd = after == text.size() || text[after] == '\r' || text[after] == '\n';
        if (lineStart && lineEnd)
            end = at;
    }
    return end;
}

} // namespace

AnswerReport ParseAnswerReport(const std::string& reportText) {
    std::string text = AsText(reportText);
    if (const size_t ok = FinalOkLine(text); ok != std::string::npos)
        text.resize(ok);

    AnswerReport answer;
    const size_t dcs = text.find(modem::kDcsTag);
    if (dcs != std::string::npos) {
        // The parameters are the rest of their own line.
        const size_t from = dcs + modem::kDcsTag.size();
        answer.dcs = text.substr(from, text.find_first_of("\r\n", from) - from);
        while (!answer.dcs.empty() && IsWhite(answer.dcs.back()))
            answer.dcs.pop_back();
        answer.dcs += ' ';
    } else {
        answer.dcs = " ";
    }

    if (const size_t tsi = text.find(modem::kTsiTag); tsi != std::string::npos) {
        // Twenty characters, but never into the DCS line that follows.
        const size_t from = tsi + modem::kTsiTag.size();
        const size_t limit = dcs != std::string::npos && dcs > tsi ? dcs : text.size();
        std::string id = text.substr(from, std::min(kIdLength, limit - std::min(limit, from)));
        const auto first = std::find_if_not(id.begin(), id.end(), IsWhite);
        answer.id.assign(first, id.end());
    }
    answer.fine = !answer.dcs.empty() && answer.dcs.front() == '1';
    return answer;
}

std::optional<StopMessage> StopMessageOf(const ReadOutcome& outcome) {
    switch (outcome.result.step) {
    case kSuccess:
        return std::nullopt;
    case kNoModem:
        return StopMessage{kNoModemMessage.toString(), outcome.details};
    case kNoStoredFax:
        return StopMessage{kNoFaxMessage.toString(), {}};
    case kUnrecordablePath:
        return StopMessage{kUnrecordablePathMessage.toString(), {}};
    case kNoRoom:
        return StopMessage{kNoRoomMessage.toString(), outcome.details};
    case kPageNotEnded:
        // A fax kept as far as it came: what is missing, and that the modem still holds it, is what
        // the user must read.
        if (!outcome.details.isEmpty())
            return StopMessage{kFailedMessage.toString() + u'\n' + outcome.details, {}};
        return StopMessage{kFailedMessage.toString(), {}};
    default:
        return StopMessage{kFailedMessage.toString(), outcome.details};
    }
}

QString RecoveredText(int count) {
    return QStringLiteral("恢复了 %1 份传真").arg(count);
}

} // namespace retrieval
