// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/ProgramTexts.h"

#include <QString>
#include <QStringView>

#include <cstdint>
#include <string>

class ModemLink;
class FaxFileWriter;
class FaxRecordStore;
class WallClock;

// The fax retrieval: the modem plays its stored faxes back as incoming service class 2 calls; each
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

// What a capture that could not be turned into a page file is called in the program directory.
inline constexpr QStringView kUnconvertedCapture = u"未转换的传真";

// Result codes of ReadStoredFaxes. A failure at fax n (n = 1 for the first) is
// kNoAnswerReport + 2 (n - 1) or kPageNotEnded + 2 (n - 1).
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
    // The program directory cannot be written into RERAVA.INI: refused before the modem is asked.
    kUnrecordablePath = -1,
};

// The capture file format counts pages in one byte.
inline constexpr int kMaxPages = 255;

// Where the progress texts go: the status bar in the program, a recorder in the tests.
class StatusSink {
public:
    virtual ~StatusSink() = default;
    virtual void SetStatusText(const QString& text) = 0;
    // Each fax once its page file is written and its record made: its position in this run (1 for
    // the first), the sender's identification (GBK bytes), its page count and the page file.
    virtual void FaxRecorded(int /*faxNumber*/, const std::string& /*id*/, int /*pageCount*/,
                             const std::string& /*tiffPath*/) {}
};

// What one retrieval works with. The link must be open and configured on the port to try; it is
// left open.
struct Context {
    ModemLink& link;
    FaxFileWriter& writer;
    FaxRecordStore& store;
    std::string tempDirectory;    // capture files, with a trailing '/'
    std::string programDirectory; // TIFF files, with a trailing '/'
    const WallClock& wallClock;   // reception times
    StatusSink& status;
};

// The answer report of one fax call, as far as the program uses it.
struct AnswerReport {
    std::string dcs; // the call parameters; always ends in one space
    std::string id;  // the sender's identification, at most 20 characters
    bool fine = false;
};
AnswerReport ParseAnswerReport(const std::string& report);

// Reads every fax the modem holds. Returns 0, or the code of the step that failed; the records and
// files of the faxes read before a failure stay.
int ReadStoredFaxes(const Context& context);

// What the read command needs of its window.
class CommandHost : public StatusSink {
public:
    virtual void SetBusy(bool busy) = 0;
    virtual void EnableMainWindow(bool enable) = 0;
    // A message with the stop icon; `details`, when not empty, is what the user can unfold below it.
    virtual void ShowStopMessage(const QString& text, const QString& details) = 0;
    virtual void ReloadRows() = 0;
};

// The read command from start to end: finds the modem on COM1 or else COM2, runs the retrieval,
// reports the outcome (when no modem answered, with what happened on each port), puts the modem back into data mode and
// closes the port, then gives the window back and reloads the list. Returns the retrieval's result.
int RunReadCommand(const Context& context, CommandHost& host);

} // namespace retrieval
