// SPDX-License-Identifier: GPL-3.0-or-later
#include "fax/UnattendedRead.h"

#include "fax/FaxRetrieval.h"
#include "platform/Gbk.h"

#include <QFile>

#include <algorithm>

namespace retrieval {

namespace {

// The read command's host when nobody watches: the window calls do nothing, the messages become
// the outcome (the result code, and the details that tell why), the texts and faxes go to the
// progress callbacks.
class QuietHost final : public CommandHost {
public:
    QuietHost(const ReadProgress& progress, ReadOutcome& outcome) : m_progress(progress), m_outcome(outcome) {}

    void SetStatusText(const QString& text) override {
        // The command repeats "正在检测调制解调器..." around the first probe; once is enough.
        if (text == m_lastText)
            return;
        m_lastText = text;
        if (m_progress.status)
            m_progress.status(text);
    }
    void FaxRecorded(int, const std::string& id, int pageCount, const std::string& tiffPath) override {
        RecordedFax fax{gbk::ToQString(id), pageCount, QFile::decodeName(QByteArray::fromStdString(tiffPath))};
        m_outcome.faxes.push_back(fax);
        if (m_progress.fax)
            m_progress.fax(fax);
    }
    void SetBusy(bool) override {}
    void EnableMainWindow(bool) override {}
    void ShowStopMessage(const QString&, const QString& details) override { m_outcome.details = details; }
    void ReloadRows() override {}

private:
    const ReadProgress& m_progress;
    ReadOutcome& m_outcome;
    QString m_lastText;
};

// Texts that travel as one line of a summary: line breaks and tabs from a modem's report become
// blanks.
QString OneLine(QString text) {
    for (QChar& c : text)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            c = u' ';
    return text;
}

} // namespace

ReadOutcome RunQuietRead(const ReadEnvironment& environment, const ReadProgress& progress) {
    ReadOutcome outcome;
    QuietHost host(progress, outcome);
    const Context context{environment.link,
                          environment.writer,
                          environment.store,
                          environment.tempDirectory,
                          environment.programDirectory,
                          environment.wallClock,
                          host};
    outcome.result = RunReadCommand(context, host);
    return outcome;
}

int ExitStatusOf(int result) {
    if (result == kSuccess)
        return kExitRead;
    if (result == kNoModem)
        return kExitNoModem;
    if (result == kNoStoredFax)
        return kExitNoFax;
    if (result == kUnrecordablePath)
        return kExitUnrecordable;
    if (const int fax = FailedFax(result); fax > 0)
        return std::min(kExitFailedAtFax + fax, 255);
    return kExitSetUpFailed;
}

int FailedFax(int result) {
    return result >= kNoAnswerReport ? (result - kNoAnswerReport) / 2 + 1 : 0;
}

QString FaxLine(int faxNumber, const RecordedFax& fax) {
    return QStringLiteral("第 %1 份传真：%2，%3 页").arg(faxNumber).arg(OneLine(fax.id)).arg(fax.pages);
}

QString SummaryText(const ReadOutcome& outcome) {
    QString text;
    if (outcome.result == kSuccess) {
        text = kSucceededText.toString() + QStringLiteral("共 %1 份传真。").arg(outcome.faxes.size());
    } else if (outcome.result == kNoModem) {
        text = kNoModemMessage.toString();
    } else if (outcome.result == kNoStoredFax) {
        text = kNoFaxMessage.toString();
    } else if (outcome.result == kUnrecordablePath) {
        text = kUnrecordablePathMessage.toString();
    } else if (const int fax = FailedFax(outcome.result); fax > 0) {
        text =
            kFailedMessage.toString() + QStringLiteral("第 %1 份传真读取失败（结果代码 %2），之前的 %3 份传真已保存。")
                                            .arg(fax)
                                            .arg(outcome.result)
                                            .arg(outcome.faxes.size());
    } else {
        text =
            kFailedMessage.toString() + QStringLiteral("调制解调器不接受传真参数（结果代码 %1）。").arg(outcome.result);
    }
    text += u'\n';
    for (const RecordedFax& fax : outcome.faxes)
        text += QStringLiteral("%1\t%2\t%3\n").arg(OneLine(fax.file)).arg(fax.pages).arg(OneLine(fax.id));
    return text;
}

QString BusyText() {
    return QStringLiteral("正在运行的传真程序正忙（另一命令或对话框尚未结束），请稍后再试。\n");
}

} // namespace retrieval
