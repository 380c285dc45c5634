// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/fax/FaxReader.h"

#include "core/fax/CaptureFile.h"
#include "core/modem/ModemCommands.h"
#include "core/modem/ModemDetection.h"
#include "core/platform/Clock.h"
#include "core/platform/DurableFile.h"
#include "core/platform/Gbk.h"
#include "core/platform/SyncedFile.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <set>
#include <string_view>
#include <system_error>

using namespace retrieval;

namespace {

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

// DC2 starts a page's data (whatever is already waiting is part of it); CaptureData takes the rest
// up to DLE ETX; the modem's "OK" ends the page, which the capture then counts and forces to the
// disk. False when the page did not end or could not be kept.
bool ReceivePageData(ModemLink& link, CaptureFile& capture) {
    const char dc2[] = {modem::kDC2};
    link.SendCommand(std::string_view(dc2, 1), 0, true, true, false);
    const bool ended = link.CaptureData();
    if (ended)
        link.WaitForText(modem::kPageEndOkTimeout, modem::kOk);
    return ended && capture.EndPage(true);
}

// Pages after the first, while the modem connects. The page count is one byte in the capture
// file: the capture stops at 255 pages so that the count, the file and the record agree, and a
// modem that keeps connecting cannot hold the program forever. A page that could not be kept (a
// full disk) stops the read of this fax before the modem is asked for the next page: the modem
// still holds the fax then, and gives it whole to the next read. Returns the page count, or 0
// for that stop.
int ReceiveFurtherPages(ModemLink& link, CaptureFile& capture) {
    int pageCount = 1;
    while (pageCount < kMaxPages) {
        if (!link.SendCommand(modem::kReceivePage, modem::kLongWait, false, true, true) ||
            !link.ReplyContains(modem::kConnect))
            break;
        const char dc2[] = {modem::kDC2};
        link.SendCommand(std::string_view(dc2, 1), 0, true, true, false);
        const bool ended = link.CaptureData();
        link.WaitForText(modem::kPageEndOkTimeout, modem::kOk);
        if (capture.Failed() || !(ended ? capture.EndPage(true) : capture.EndBrokenPage()))
            return 0;
        ++pageCount;
        // The page broke off: the modem has not played the fax out and still holds it. What came
        // is kept, and the exchange ends here.
        if (!ended)
            break;
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

// Why a fax that left the modem got no record, when its page file or record could not be written.
constexpr QStringView kNotSavedWhy = u"第 %1 份传真已从调制解调器取出，但无法保存（磁盘已满，或程序目录不能写入）。"
                                     u"它暂存在“%2”，下次读取传真时自动记录。";

// Forces a page file just written, and its directory entry, to the disk.
bool SyncPageFile(const std::string& path) {
    SyncedFile file;
    if (!file.OpenExisting(path))
        return false;
    const bool synced = file.Sync();
    const bool closed = file.Close();
    SyncDirectory(std::filesystem::path(path).parent_path().string());
    return synced && closed;
}

void SendAttentionThrice(ModemLink& link) {
    for (int i = 0; i < 3; ++i)
        link.SendExpectingOk(modem::kAttention, modem::kPresenceWait);
}

} // namespace

// One read: its progress, what it has recorded so far, the page file names it gave out.
class FaxReader::Run {
public:
    Run(FaxReader& reader, const ReadProgress& progress)
        : m_reader(reader), m_link(reader.m_link), m_progress(progress) {}

    // The whole read, recovery first.
    ReadOutcome Go();
    // The captures an earlier read left in the capture directory, recorded.
    void Recover();
    const ReadOutcome& Outcome() const { return m_outcome; }

private:
    void Status(QStringView text) const {
        if (m_progress.status)
            m_progress.status(text.toString());
    }
    // Why the program directory cannot take a fax now (not writable, too little room), or empty.
    QString Refusal() const;
    void MakeCaptureDirectory() const;
    // After the modem played every fax it holds: the faxes recorded from captures a crash left that
    // were whole after all lose their incomplete mark.
    void ConfirmPlayedOut();
    ReadResult ReadStoredFaxes();
    ReadResult ReadOneFax(int fax);
    // The page file and the record of a fax received at `received` whose pages are in `capture`.
    ReadResult SaveFax(int fax, CaptureFile& capture, int capturedPages, const AnswerReport& answer,
                       const QDateTime& received);
    // The record of an earlier copy of the fax in `capture` whose last page broke off, and which
    // this copy may replace (it came at least as far; `broken` when it broke too).
    std::optional<FaxRecord> EarlierBrokenCopy(const CaptureFile& capture,
                                               const std::optional<BrokenFax>& broken) const;
    // Fax `fax` left the modem but got no record: where its capture is, and `why` (with the fax
    // number and that place filled in) for the message's details.
    ReadResult NotSaved(int fax, const CaptureFile& capture, const QString& why);

    FaxReader& m_reader;
    ModemLink& m_link;
    const ReadProgress& m_progress;
    ReadOutcome m_outcome;
    std::set<std::string> m_givenNames;
};

FaxReader::FaxReader(LinkEnvironment link, const WallClock& wallClock, std::string programDirectory,
                     std::string captureDirectory)
    : m_link(link), m_wallClock(wallClock), m_programDirectory(std::move(programDirectory)),
      m_captureDirectory(std::move(captureDirectory)) {
    m_store.OpenStoreIn(m_programDirectory);
}

ReadOutcome FaxReader::Read(const ReadProgress& progress) {
    return Run(*this, progress).Go();
}

std::vector<RecordedFax> FaxReader::RecoverCaptures() {
    const ReadProgress none;
    Run run(*this, none);
    run.Recover();
    return run.Outcome().faxes;
}

void FaxReader::Run::Recover() {
    const std::string& directory = m_reader.m_captureDirectory;
    std::vector<std::string> left;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(directory, error)) {
        const std::string name = entry.path().filename().string();
        // "TAM", four (older versions) to sixteen hexadecimal digits, ".TMP".
        if (name.size() >= 11 && name.size() <= 23 && name.rfind("TAM", 0) == 0 &&
            name.compare(name.size() - 4, 4, ".TMP") == 0 &&
            std::all_of(name.begin() + 3, name.end() - 4,
                        [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); }) &&
            entry.is_regular_file(error))
            left.push_back(entry.path().string());
    }
    std::sort(left.begin(), left.end(), [](const std::string& a, const std::string& b) {
        std::error_code ea;
        std::error_code eb;
        return std::filesystem::last_write_time(a, ea) < std::filesystem::last_write_time(b, eb);
    });
    for (const std::string& path : left) {
        CaptureFile capture;
        if (!capture.Adopt(path)) {
            // No page of it ended: the modem forgets a fax only after its last page, so it still
            // holds this one and plays it again.
            capture.Remove();
            continue;
        }
        // Its page file already has its record: the read stopped after the record was saved, only
        // the capture was still to go.
        if (const std::string name = capture.PageFileName();
            !name.empty() && m_reader.m_store.RecordOfFile(gbk::FromNativePath(m_reader.m_programDirectory + name))) {
            capture.Remove();
            continue;
        }
        const AnswerReport answer{capture.Dcs(), capture.Id(), !capture.Dcs().empty() && capture.Dcs().front() == '1'};
        const QDateTime received = QFileInfo(QFile::decodeName(QByteArray::fromStdString(path))).lastModified();
        if (SaveFax(0, capture, capture.Pages(), answer, received).Succeeded())
            ++m_outcome.recovered;
    }
    // What a failed recovery told is not this read's: its capture waits for the next.
    m_outcome.keptCapture.clear();
    m_outcome.details.clear();
}

ReadOutcome FaxReader::Run::Go() {
    // RERAVA.INI keeps each page file's path as GBK text. A directory name that GBK cannot spell
    // would give records that lead nowhere (viewing opens nothing, deleting leaves the file), so
    // the faxes stay in the modem until the program directory is one that can be recorded.
    if (!gbk::SurvivesGbk(m_reader.m_programDirectory)) {
        m_outcome.result = {kUnrecordablePath, 0};
        Status(kIdleText);
        return m_outcome;
    }

    Recover();

    if (const QString refusal = Refusal(); !refusal.isEmpty()) {
        m_outcome.result = {kNoRoom, 0};
        m_outcome.details = refusal;
        Status(kIdleText);
        return m_outcome;
    }

    Status(kDetectingText);
    DetectionReport ports;
    m_link.Open(std::string(modem::kFirstPort));
    m_link.Configure();
    SendAttentionThrice(m_link);
    ReadResult result = ReadStoredFaxes();
    ports.push_back(AttemptOf(m_link, std::string(modem::kFirstPort), result.step != kNoModem));

    // Nothing answered on COM1: the modem may sit on COM2.
    if (result.step == kNoModem && !m_link.Interrupted()) {
        m_link.Close();
        m_link.Open(std::string(modem::kSecondPort));
        m_link.Configure();
        result = ReadStoredFaxes();
        ports.push_back(AttemptOf(m_link, std::string(modem::kSecondPort), result.step != kNoModem));
        SendAttentionThrice(m_link);
    }
    if (result.Succeeded() || result.step == kNoStoredFax)
        ConfirmPlayedOut();
    m_outcome.result = result;
    if (result.step == kNoModem)
        m_outcome.details = DescribeDetection(ports);

    // Back to data mode whatever happened, an interrupted read too (its waits run again for this);
    // the replies do not matter any more.
    m_outcome.interrupted = m_link.Interrupted();
    m_link.ClearInterrupt();
    m_link.SendExpectingOk(modem::kAttention, modem::kShortWait);
    m_link.SendExpectingOk(modem::kDataClass, modem::kShortWait);
    m_link.SendExpectingOk(modem::kHangUp, modem::kShortWait);
    m_link.SendExpectingOk(modem::kReset, modem::kShortWait);
    m_link.SetPageSink(nullptr);
    m_link.Close();
    Status(kIdleText);
    return m_outcome;
}

ReadResult FaxReader::Run::ReadStoredFaxes() {
    m_link.RaiseDtrFor(modem::kDtrRaise);

    Status(kDetectingText);
    if (!m_link.SendExpectingOk(modem::kAttention, modem::kPresenceWait))
        return {kNoModem, 0};

    Status(kSettingUpText);
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
        if (!m_link.SendExpectingOk(step.command, step.waitMs))
            return {step.failure, 0};
    }

    if (!AskForNextFax(m_link, modem::kFirstRingTimeout))
        return {kNoStoredFax, 0};

    Status(kReadingText);
    int fax = 0;
    do {
        if (const ReadResult result = ReadOneFax(++fax); !result.Succeeded())
            return result;
    } while (AskForNextFax(m_link, modem::kNextRingTimeout));

    m_link.SendExpectingOk(modem::kAttention, modem::kShortWait);
    m_link.SendExpectingOk(modem::kDataClass, modem::kShortWait);
    m_link.SendExpectingOk(modem::kHangUp, modem::kShortWait);
    Status(kSucceededText);
    return {};
}

ReadResult FaxReader::Run::ReadOneFax(int fax) {
    std::string report;
    if (!AnswerCall(m_link, report))
        return {kNoAnswerReport, fax};
    const AnswerReport answer = ParseAnswerReport(report);

    m_link.SendCommand(modem::kReceivePage, modem::kLongWait, false, true, true);

    // Without a capture file nothing of this fax could be kept: the fax fails as a page would.
    MakeCaptureDirectory();
    CaptureFile capture;
    if (!capture.Create(m_reader.m_captureDirectory, answer.dcs, answer.id))
        return {kPageNotEnded, fax};
    m_link.SetPageSink(&capture);
    const int capturedPages = ReceivePageData(m_link, capture) ? ReceiveFurtherPages(m_link, capture) : 0;
    m_link.SetPageSink(nullptr);
    if (capturedPages == 0) {
        // The modem keeps a fax whose playback did not end, and the next read fetches it whole;
        // what came of it here is cut off before a page's end, or could not be kept.
        capture.Remove();
        return {kPageNotEnded, fax};
    }
    capture.Finish(capturedPages);
    const ReadResult saved = SaveFax(fax, capture, capturedPages, answer, m_reader.m_wallClock.Now());
    if (!saved.Succeeded() || !capture.Broken())
        return saved;
    // Kept as far as it came, and marked so; the modem plays it again at the next read, whose whole
    // copy then takes the place of this one.
    m_outcome.details = QStringLiteral("第 %1 份传真只收到 %2 页中的 %3 页，调制解调器仍保存该传真")
                            .arg(fax)
                            .arg(capturedPages)
                            .arg(capture.EndedPages());
    return {kPageNotEnded, fax};
}

std::optional<FaxRecord> FaxReader::Run::EarlierBrokenCopy(const CaptureFile& capture,
                                                           const std::optional<BrokenFax>& broken) const {
    // The record holds the identification as the INI file keeps it, not as the modem sent it.
    const std::string id = FaxRecordStore::IdAsKept(capture.Id());
    for (const FaxRecord& record : m_reader.m_store.IncompleteRecords()) {
        const std::optional<BrokenFax> earlier = BrokenFaxOf(record);
        if (!earlier || earlier->digest.empty())
            continue;
        // Another copy that broke replaces it only when it came as far.
        if (record.id != id || earlier->endedLength > capture.DataLength() ||
            (broken && broken->endedPages < earlier->endedPages))
            continue;
        if (capture.DigestOfData(earlier->endedLength) == earlier->digest)
            return record;
    }
    return std::nullopt;
}

void FaxReader::Run::ConfirmPlayedOut() {
    // A crash after a fax's last page, before the modem's word that it had ended, leaves a capture
    // that is recorded as incomplete with every page it began ("2/2"): the modem may still hold the
    // fax. Once the modem has played every fax it holds and that one did not come again, the modem
    // had played it out, which it does only after its last page: the fax is whole. A fax whose page
    // broke off ("1/2") stays marked.
    for (const FaxRecord& record : m_reader.m_store.IncompleteRecords()) {
        if (const std::optional<BrokenFax> broken = BrokenFaxOf(record);
            broken && broken->endedPages == broken->begunPages)
            m_reader.m_store.MarkWhole(record.section);
    }
}

void FaxReader::Run::MakeCaptureDirectory() const {
    // The spool is the user's own: nobody else lists or fills it.
    std::error_code error;
    if (std::filesystem::create_directory(m_reader.m_captureDirectory, error))
        std::filesystem::permissions(m_reader.m_captureDirectory, std::filesystem::perms::owner_all, error);
}

QString FaxReader::Run::Refusal() const {
    // A file made and dropped again in each directory a fax goes through: what the user's rights,
    // a read-only mount or a full disk allow is what counts, not what the mode bits say.
    MakeCaptureDirectory();
    for (const std::string& directory : {m_reader.m_programDirectory, m_reader.m_captureDirectory}) {
        DurableFile probe(directory + "faxdesk-write-test");
        if (!probe.Open() || !probe.Write("\n", 1)) {
            const QString where = QFile::decodeName(QByteArray::fromStdString(directory));
            return QStringLiteral("“%1”不能写入：%2").arg(where, QString::fromLocal8Bit(probe.ErrorText()));
        }
        probe.Cancel();
    }
    std::error_code error;
    const std::filesystem::space_info space = std::filesystem::space(m_reader.m_programDirectory, error);
    if (!error && space.available < m_reader.m_roomNeeded) {
        constexpr uint64_t kMiB = uint64_t{1} << 20;
        return QStringLiteral("“%1”只剩 %2 MB，读取传真至少需要 %3 MB。")
            .arg(QFile::decodeName(QByteArray::fromStdString(m_reader.m_programDirectory)))
            .arg(space.available / kMiB)
            .arg((m_reader.m_roomNeeded + kMiB - 1) / kMiB);
    }
    return {};
}

ReadResult FaxReader::Run::NotSaved(int fax, const CaptureFile& capture, const QString& why) {
    m_outcome.keptCapture = QFile::decodeName(QByteArray::fromStdString(capture.Path()));
    m_outcome.details = why.arg(fax).arg(m_outcome.keptCapture);
    return {kNotSaved, fax};
}

ReadResult FaxReader::Run::SaveFax(int fax, CaptureFile& capture, int capturedPages, const AnswerReport& answer,
                                   const QDateTime& received) {
    FaxFileWriter& writer = m_reader.m_writer;
    const std::string& programDirectory = m_reader.m_programDirectory;
    const std::string time = received.toString(QStringLiteral("yyyy/MM/dd  HH:mm:ss")).toStdString();
    // A capture found again keeps the page file name it was given: a file begun under it by the
    // read that stopped is the same fax's, and is written anew.
    std::string tiffPath;
    if (const std::string name = capture.PageFileName(); !name.empty()) {
        tiffPath = programDirectory + name;
        m_givenNames.insert(tiffPath);
    } else {
        tiffPath = TiffPathFor(programDirectory, received, m_givenNames);
        capture.NamePageFile(std::filesystem::path(tiffPath).filename().string());
    }
    const bool converted = writer.Convert(capture.Path(), tiffPath);
    // A page file that could not be written (a full disk, a capture file cut short) gets no record:
    // the fax fails here and what was written of the file goes. The capture stays in the capture
    // directory, where the next read records it. Page data that does not decode is still recorded
    // with the pages that were written.
    if (!converted && writer.LastResult() != FaxFileWriter::kDecodePage) {
        std::remove(tiffPath.c_str());
        return NotSaved(fax, capture, kNotSavedWhy.toString());
    }
    // Not one page held a line: there is nothing to list. The capture is kept beside the faxes as
    // one that could not be converted, and the fax counts as not saved.
    if (writer.PagesWritten() == 0) {
        std::remove(tiffPath.c_str());
        capture.SetAside(programDirectory, received, kUnconvertedCapture.toString());
        return NotSaved(fax, capture, QStringLiteral("第 %1 份传真没有一行可以显示的内容，它的原始数据保存在“%2”。"));
    }
    // The page file is on the disk before a record names it, and before its capture goes.
    if (!SyncPageFile(tiffPath)) {
        std::remove(tiffPath.c_str());
        return NotSaved(fax, capture, kNotSavedWhy.toString());
    }
    // The record and the capture count the pages the file holds: a page that was cut off before its
    // first line could not be written, and the pages behind a failing one are not there either.
    const int pageCount = static_cast<int>(writer.PagesWritten());
    if (pageCount != capturedPages && writer.LastResult() >= FaxFileWriter::kDecodePage)
        capture.RewritePageCount(pageCount);
    // RERAVA.INI keeps paths as GBK text, as the files the program has always written. A record
    // that cannot be saved is a failure too: the page file goes and the capture stays, as above.
    std::optional<BrokenFax> broken;
    if (capture.Broken())
        broken = BrokenFax{capture.EndedPages(), capture.BegunPages(), capture.EndedLength(),
                           capture.DigestOfData(capture.EndedLength())};
    const std::string file = gbk::FromNativePath(tiffPath);
    const BrokenFax* mark = broken ? &*broken : nullptr;
    bool saved = false;
    if (const std::optional<FaxRecord> earlier = EarlierBrokenCopy(capture, broken)) {
        // The same fax again, at least as far as the copy that broke: it takes that record's place.
        saved =
            m_reader.m_store.ReplaceRecord(earlier->section, file, static_cast<uint8_t>(pageCount), answer.fine, mark);
        if (saved && earlier->file != file)
            std::remove(gbk::ToNativePath(earlier->file).c_str());
    } else {
        saved = m_reader.m_store.AppendRecord(file, time, answer.id, static_cast<uint8_t>(pageCount), answer.fine, mark)
                    .has_value();
    }
    if (!saved) {
        std::remove(tiffPath.c_str());
        return NotSaved(fax, capture, kNotSavedWhy.toString());
    }
    // Told as the list shows it: line ends made blanks, trimmed.
    const RecordedFax recorded{gbk::ToQString(FaxRecordStore::IdAsKept(answer.id)), pageCount,
                               QFile::decodeName(QByteArray::fromStdString(tiffPath))};
    m_outcome.faxes.push_back(recorded);
    if (m_progress.fax)
        m_progress.fax(recorded);
    // The capture holds a fax image and the sender's number in a folder other users can list: once
    // the page file and its record are written it has served.
    if (converted)
        capture.Remove();
    else
        capture.SetAside(programDirectory, received, kUnconvertedCapture.toString());
    return {};
}
