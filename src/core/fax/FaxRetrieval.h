// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/platform/ProgramTexts.h"

#include <QString>
#include <QStringView>

#include <functional>
#include <optional>
#include <string>
#include <vector>

// The fax retrieval's vocabulary: what the user reads while a read runs, and what a read hands back
// (FaxReader runs it). The modem plays its stored faxes back as incoming service class 2 calls; each
// one is captured page by page, converted into a TIFF file in the program directory and recorded
// in RERAVA.INI.
namespace retrieval {

// What the user reads while the retrieval runs and when it ends.
inline constexpr QStringView kDetectingText = u"正在检测调制解调器...";
inline constexpr QStringView kSettingUpText = u"正在设置调制解调器传真参数...";
inline constexpr QStringView kReadingText = u"正在读取调制解调器中传真，请稍候...";
inline constexpr QStringView kSucceededText = u"读取传真成功！";
inline constexpr QStringView kIdleText = texts::kProgramTitle;
inline constexpr QStringView kNoModemMessage = texts::kNoModemMessage;
inline constexpr QStringView kNoFaxMessage = u"没有存储传真！";
inline constexpr QStringView kFailedMessage = u"传真读取失败！";
inline constexpr QStringView kUnrecordablePathMessage = u"程序目录名含有GBK无法表示的字符，传真无法记录，未读取传真！";
inline constexpr QStringView kNoRoomMessage = u"程序目录不能写入或空间不足，未读取传真，传真仍保存在调制解调器中！";

// What a capture that could not be turned into a page file is called in the program directory.
inline constexpr QStringView kUnconvertedCapture = u"未转换的传真";

// The step of a read that failed. The steps of one fax (kNoAnswerReport and after) come with the
// fax they failed at (ReadResult::fax).
enum Result : int {
    kSuccess = 0,
    kNoModem = 1,
    kNoFaxClass = 2,
    kNoReception = 3,
    kNoBitOrder = 4,
    kNoCapabilities = 5,
    kNoSessionParameters = 6,
    kNoStoredFax = 7,
    kNoAnswerReport = 8,
    kPageNotEnded = 9,
    // The fax came whole, but its page file or its record could not be written; what came of it is
    // set aside in the program directory (kUnconvertedCapture).
    kNotSaved = 10,
    // The program directory cannot be written into RERAVA.INI: refused before the modem is asked.
    kUnrecordablePath = -1,
    // The program directory (or its capture directory) cannot be written, or has not the room a
    // fax may need: refused before the modem is asked, which keeps its faxes.
    kNoRoom = -2,
};

// The capture file format counts pages in one byte.
inline constexpr int kMaxPages = 255;

// What came of a read: the step that failed, and for a step of one fax which fax it was.
struct ReadResult {
    Result step = kSuccess;
    int fax = 0; // 1 for the first fax of the read; 0 when the step names no fax

    bool Succeeded() const { return step == kSuccess; }
    // The number the summary shows ("结果代码"): the step, counted on by two for every fax before
    // the one it failed at, as the program has always numbered its results.
    int Code() const { return step + (fax > 1 ? 2 * (fax - 1) : 0); }
    friend bool operator==(const ReadResult&, const ReadResult&) = default;
};

// One fax brought in by a read.
struct RecordedFax {
    QString id; // the sender's identification
    int pages = 0;
    QString file; // the page file
};

// What a read hands back.
struct ReadOutcome {
    ReadResult result;
    std::vector<RecordedFax> faxes; // in the order they were recorded, the recovered ones first
    QString details;                // when no modem answered: what happened on each port tried, a line each
    // Faxes of an earlier read that had left the modem but were not recorded then (a crash, a full
    // disk): recorded by this read from the captures they left, and counted in `faxes` too.
    int recovered = 0;
    // A fax that left the modem but could not be saved (kNotSaved): where its capture is kept until
    // the next read records it.
    QString keptCapture;
    // The read was ended early (FaxReader::Interrupt): the fax under way stays in the modem, or is
    // kept as far as it came; the modem was set back to data mode all the same.
    bool interrupted = false;
};

// What a read tells while it runs: each status text as it changes (the progress texts, ending with
// the idle text), and each fax once its page file and record are written.
struct ReadProgress {
    std::function<void(const QString&)> status;
    std::function<void(const RecordedFax&)> fax;
};

// The message a read ends with, where it ends with one (the window shows it with the stop icon):
// its text, and the details the user can unfold below it.
struct StopMessage {
    QString text;
    QString details;
};
std::optional<StopMessage> StopMessageOf(const ReadOutcome& outcome);

// What the user is told of faxes recorded from captures an earlier read left: "恢复了 1 份传真".
QString RecoveredText(int count);

// The answer report of one fax call, as far as the program uses it.
struct AnswerReport {
    std::string dcs; // the call parameters; always ends in one space
    std::string id;  // the sender's identification, at most 20 characters
    bool fine = false;
};
AnswerReport ParseAnswerReport(const std::string& report);

} // namespace retrieval
