// SPDX-License-Identifier: GPL-3.0-or-later
#include "fax/FaxRetrieval.h"

#include "fax/FaxFileWriter.h"
#include "faxlist/FaxRecordStore.h"
#include "modem/ModemCommands.h"
#include "modem/ModemDetection.h"
#include "modem/ModemLink.h"
#include "platform/Clock.h"
#include "platform/Gbk.h"
#include "platform/TempFile.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <set>
#include <string_view>
#include <system_error>

namespace retrieval {

namespace {

// Capture header fields (the rest of the layout belongs to the page file writer).
constexpr size_t kDcsOffset = 3;
constexpr size_t kDcsLength = 16;
constexpr size_t kIdOffset = 19;
constexpr size_t kIdField = 21; // at most 20 characters and a terminating zero
constexpr size_t kIdLength = 20;
constexpr size_t kPageCountOffset = 40;
constexpr size_t kDataLengthOffset = 128;

bool IsWhite(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

// Waits for `modem::kRing` until `timeoutMs` after now, one 100 ms look at a time.
bool WaitForRing(ModemLink& link, uint32_t timeoutMs) {
    const uint32_t deadline = link.TickCount() + timeoutMs;
    while (link.Before(deadline)) {
        link.PumpMessage();
        if (link.WaitForText(modem::kShortWait, modem::kRing))
            return true;
    }
    return false;
}

// "ATG\r" and the wait for the next call. A modem that rings at once answers within the command's
// own wait; that reply is looked at too instead of being thrown away.
bool AskForNextFax(ModemLink& link, uint32_t timeoutMs) {
    if (link.SendCommand(modem::kNextFax, modem::kShortWait, false, true, true) && link.ReplyContains(modem::kRing))
        return true;
    return WaitForRing(link, timeoutMs);
}

// The text view of raw bytes: up to the first zero byte.
std::string AsText(const std::string& bytes) {
    return bytes.substr(0, std::min(bytes.size(), bytes.find('\0')));
}

// "ATA\r" and the answer report up to its final "OK" line.
bool AnswerCall(ModemLink& link, std::string& report) {
    const ModemLink::ReplyToOk reply = link.SendUntilOkLine(modem::kAnswer, modem::kShortWait);
    report = AsText(reply.early) + reply.rest;
    return reply.okLine;
}

void FillHeader(ModemLink& link, const AnswerReport& answer) {
    auto& header = link.m_captureHeader;
    std::fill(header.begin() + 2, header.end(), uint8_t{0});
    std::memcpy(header.data() + kDcsOffset, answer.dcs.data(), std::min(answer.dcs.size(), kDcsLength));
    std::memcpy(header.data() + kIdOffset, answer.id.data(), std::min(answer.id.size(), kIdField - 1));
}

// Writes the page count and the data length into the header image and into the capture file.
void CompleteHeader(ModemLink& link, int pageCount) {
    auto& header = link.m_captureHeader;
    header[kPageCountOffset] = static_cast<uint8_t>(pageCount);
    for (size_t i = 0; i < 4; ++i)
        header[kDataLengthOffset + i] = static_cast<uint8_t>(link.m_capturedBytes >> (8 * i));
    link.SeekCapture(kPageCountOffset);
    link.WriteCapture(reinterpret_cast<const char*>(header.data() + kPageCountOffset), 1);
    link.SeekCapture(kDataLengthOffset);
    link.WriteCapture(reinterpret_cast<const char*>(header.data() + kDataLengthOffset), 4);
    link.CloseCapture();
}

// Sets the page count of a closed capture file.
void RewritePageCount(const std::string& capturePath, int pageCount) {
    if (std::FILE* capture = std::fopen(capturePath.c_str(), "r+b")) {
        if (std::fseek(capture, kPageCountOffset, SEEK_SET) == 0)
            std::fputc(pageCount, capture);
        std::fclose(capture);
    }
}

// One page: DC2 starts the data (whatever is already waiting is part of it), CaptureData takes the
// rest up to DLE ETX, then the modem's "OK" ends the page.
bool ReceivePage(ModemLink& link) {
    const char dc2[] = {modem::kDC2};
    link.SendCommand(std::string_view(dc2, 1), 0, true, true, false);
    if (!link.CaptureData())
        return false;
    link.WaitForText(modem::kPageEndOkTimeout, modem::kOk);
    return true;
}

// Pages after the first, while the modem connects. The page count is one byte in the capture
// file: the capture stops at 255 pages so that the count, the file and the record agree, and a
// modem that keeps connecting cannot hold the program forever.
int ReceiveFurtherPages(ModemLink& link) {
    int pageCount = 1;
    while (pageCount < kMaxPages) {
        if (!link.SendCommand(modem::kReceivePage, modem::kLongWait, false, true, true) ||
            !link.ReplyContains(modem::kConnect))
            break;
        const char dc2[] = {modem::kDC2};
        link.SendCommand(std::string_view(dc2, 1), 0, true, true, false);
        link.CaptureData();
        link.WaitForText(modem::kPageEndOkTimeout, modem::kOk);
        ++pageCount;
    }
    return pageCount;
}

// The TIFF file of a fax received at `time`: "%Y%m%d%H%M%S.TIF" in the program directory. Two faxes
// finished within the same second would share that name and the second would replace the first
// file; the later one takes the next second whose name is free.
// A name counts as taken when a file of that name exists or this run already gave it out (its
// conversion may have failed before creating the file).
std::string TiffPathFor(const std::string& programDirectory, const QDateTime& time, std::set<std::string>& given) {
    QDateTime stamp = time;
    for (int attempt = 0; attempt < 86400; ++attempt, stamp = stamp.addSecs(1)) {
        const std::string path =
            programDirectory + stamp.toString(QStringLiteral("yyyyMMddHHmmss")).toStdString() + ".TIF";
        std::error_code error;
        const auto type = std::filesystem::symlink_status(path, error).type();
        if (!given.contains(path) && type == std::filesystem::file_type::not_found) {
            given.insert(path);
            return path;
        }
    }
    return programDirectory + time.toString(QStringLiteral("yyyyMMddHHmmss")).toStdString() + ".TIF";
}

// A capture that did not become a page file is the only copy of its fax (the modem forgets a fax
// once it has played it out): it moves out of the shared temporary folder into the program
// directory, under a name that says what it is and when it came ("20240305140709-未转换的传真.TAM").
// Where it cannot be moved it stays where it is; it is never deleted.
void SetAsideCapture(const std::string& capturePath, const std::string& programDirectory, const QDateTime& time,
                     const QString& what) {
    const QString directory = QFile::decodeName(QByteArray::fromStdString(programDirectory));
    const QString base = time.toString(QStringLiteral("yyyyMMddHHmmss")) + QLatin1Char('-') + what;
    QString target = directory + base + QStringLiteral(".TAM");
    for (int n = 2; QFileInfo::exists(target) || QFileInfo(target).isSymLink(); ++n)
        target = directory + base + QStringLiteral("-%1.TAM").arg(n);
    const QByteArray from = QByteArray::fromStdString(capturePath);
    const QByteArray to = QFile::encodeName(target);
    if (std::rename(from.constData(), to.constData()) == 0 || errno != EXDEV)
        return;
    // Another file system: the copy must be whole before the capture goes. A copy cut short (a
    // full disk) is dropped and the capture stays where it is.
    QFile in(QFile::decodeName(from));
    QSaveFile out(target);
    if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly))
        return;
    char buffer[65536];
    for (qint64 got = 0; (got = in.read(buffer, sizeof buffer)) != 0;) {
        if (got < 0 || out.write(buffer, got) != got) {
            out.cancelWriting();
            return;
        }
    }
    if (out.commit())
        in.remove();
}

// One stored fax from the answer to the record. Returns 0, or the code of its failure.
int ReadOneFax(const Context& context, int& result, std::set<std::string>& givenNames) {
    ModemLink& link = context.link;
    link.m_capturedBytes = 0;

    std::string report;
    if (!AnswerCall(link, report))
        return result;
    ++result;
    const AnswerReport answer = ParseAnswerReport(report);
    FillHeader(link, answer);

    link.SendCommand(modem::kReceivePage, modem::kLongWait, false, true, true);

    const std::string capturePath = tempfile::CreateUnique(context.tempDirectory, "TAM");
    // Without a capture file nothing of this fax could be kept: the fax fails as a page would.
    if (capturePath.empty())
        return result;
    if (!link.OpenCapture(capturePath)) {
        std::remove(capturePath.c_str());
        return result;
    }
    link.SeekCapture(0);
    link.WriteCapture(reinterpret_cast<const char*>(link.m_captureHeader.data()), link.m_captureHeader.size());
    link.SeekCaptureToEnd();

    if (!ReceivePage(link)) {
        // The modem keeps a fax whose playback did not end, and the next read fetches it whole;
        // what came of it here is cut off before its page's end (the staged bytes are lost).
        link.CloseCapture();
        std::remove(capturePath.c_str());
        return result;
    }
    ++result;
    const int capturedPages = ReceiveFurtherPages(link);
    CompleteHeader(link, capturedPages);

    const QDateTime received = context.wallClock.Now();
    const std::string time = received.toString(QStringLiteral("yyyy/MM/dd  HH:mm:ss")).toStdString();
    const std::string tiffPath = TiffPathFor(context.programDirectory, received, givenNames);
    const bool converted = context.writer.Convert(capturePath, tiffPath);
    // A page file that could not be written (a full disk, a capture file cut short) gets no record:
    // the fax fails here, what was written of the file goes, and the capture is set aside. Page data
    // that does not decode is still recorded with the pages that were written.
    if (!converted && context.writer.m_result != FaxFileWriter::kDecodePage) {
        std::remove(tiffPath.c_str());
        SetAsideCapture(capturePath, context.programDirectory, received, kUnconvertedCapture.toString());
        return result;
    }
    // The record and the capture count the pages the file holds: a page that was cut off before its
    // first line could not be written, and the pages behind a failing one are not there either.
    const int pageCount = static_cast<int>(context.writer.m_pagesWritten);
    if (pageCount != capturedPages && context.writer.m_result >= FaxFileWriter::kDecodePage)
        RewritePageCount(capturePath, pageCount);
    // RERAVA.INI keeps paths as GBK text, as the files the program has always written. A record
    // that cannot be saved is a failure too; the page file is kept.
    if (context.store.AppendRecord(gbk::FromNativePath(tiffPath), time, answer.id, static_cast<uint8_t>(pageCount),
                                   answer.fine) == 0) {
        SetAsideCapture(capturePath, context.programDirectory, received, kUnconvertedCapture.toString());
        return result;
    }
    // The result code has counted two steps for this fax and for each before it.
    context.status.FaxRecorded((result - kNoAnswerReport) / 2, answer.id, pageCount, tiffPath);
    // The capture holds a fax image and the sender's number in a folder other users can list: once
    // the page file and its record are written it has served.
    if (converted)
        std::remove(capturePath.c_str());
    else
        SetAsideCapture(capturePath, context.programDirectory, received, kUnconvertedCapture.toString());
    return kSuccess;
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

int ReadStoredFaxes(const Context& context) {
    ModemLink& link = context.link;

    link.RaiseDtrFor(modem::kDtrRaise);

    context.status.SetStatusText(kDetectingText.toString());
    if (!link.SendExpectingOk(modem::kAttention, modem::kPresenceWait))
        return kNoModem;

    context.status.SetStatusText(kSettingUpText.toString());
    struct SetUpStep {
        std::string_view command;
        uint32_t waitMs;
        Result failure;
    };
    static constexpr SetUpStep kSetUp[] = {
        {modem::kFaxClass2, modem::kLongWait, kNoFaxClass},
        {modem::kEnableReception, modem::kShortWait, kNoReception},
        {modem::kDirectBitOrder, modem::kShortWait, kNoBitOrder},
        {modem::kQueryCapabilities, modem::kLongWait, kNoCapabilities},
        {modem::kSessionParameters, modem::kShortWait, kNoSessionParameters},
    };
    for (const SetUpStep& step : kSetUp) {
        if (!link.SendExpectingOk(step.command, step.waitMs))
            return step.failure;
    }

    if (!AskForNextFax(link, modem::kFirstRingTimeout))
        return kNoStoredFax;

    int result = kNoAnswerReport;
    std::set<std::string> givenNames;
    context.status.SetStatusText(kReadingText.toString());
    do {
        if (ReadOneFax(context, result, givenNames) != kSuccess)
            return result;
    } while (AskForNextFax(link, modem::kNextRingTimeout));

    link.SendExpectingOk(modem::kAttention, modem::kShortWait);
    link.SendExpectingOk(modem::kDataClass, modem::kShortWait);
    link.SendExpectingOk(modem::kHangUp, modem::kShortWait);
    context.status.SetStatusText(kSucceededText.toString());
    return kSuccess;
}

namespace {

void SendAttentionThrice(ModemLink& link) {
    for (int i = 0; i < 3; ++i)
        link.SendExpectingOk(modem::kAttention, modem::kPresenceWait);
}

} // namespace

int RunReadCommand(const Context& context, CommandHost& host) {
    ModemLink& link = context.link;

    host.SetBusy(true);
    host.EnableMainWindow(false);

    // RERAVA.INI keeps each page file's path as GBK text. A directory name that GBK cannot spell
    // would give records that lead nowhere (viewing opens nothing, deleting leaves the file), so
    // the faxes stay in the modem until the program directory is one that can be recorded.
    if (!gbk::SurvivesGbk(context.programDirectory)) {
        host.SetBusy(false);
        host.ShowStopMessage(kUnrecordablePathMessage.toString(), {});
        host.EnableMainWindow(true);
        host.SetStatusText(kIdleText.toString());
        host.SetBusy(false);
        host.ReloadRows();
        return kUnrecordablePath;
    }

    host.SetStatusText(kDetectingText.toString());

    DetectionReport ports;
    link.Open(std::string(modem::kFirstPort));
    link.Configure();
    SendAttentionThrice(link);
    int result = ReadStoredFaxes(context);
    ports.push_back(AttemptOf(link, std::string(modem::kFirstPort), result != kNoModem));

    // Nothing answered on COM1: the modem may sit on COM2.
    if (result == kNoModem) {
        link.Close();
        link.Open(std::string(modem::kSecondPort));
        link.Configure();
        result = ReadStoredFaxes(context);
        ports.push_back(AttemptOf(link, std::string(modem::kSecondPort), result != kNoModem));
        SendAttentionThrice(link);
    }

    // The user reads the outcome with the normal cursor; the wait cursor is back for the rest.
    auto tell = [&host](QStringView text, const QString& details = {}) {
        host.SetBusy(false);
        host.ShowStopMessage(text.toString(), details);
        host.SetBusy(true);
    };
    if (result == kNoModem)
        tell(kNoModemMessage, DescribeDetection(ports));
    else if (result == kNoStoredFax)
        tell(kNoFaxMessage);
    else if (result != kSuccess)
        tell(kFailedMessage);

    // Back to data mode whatever happened; the replies do not matter any more.
    link.SendExpectingOk(modem::kAttention, modem::kShortWait);
    link.SendExpectingOk(modem::kDataClass, modem::kShortWait);
    link.SendExpectingOk(modem::kHangUp, modem::kShortWait);
    link.SendExpectingOk(modem::kReset, modem::kShortWait);

    link.CloseCapture();
    link.Close();
    host.EnableMainWindow(true);
    host.SetStatusText(kIdleText.toString());
    host.SetBusy(false);
    host.ReloadRows();
    return result;
}

} // namespace retrieval
