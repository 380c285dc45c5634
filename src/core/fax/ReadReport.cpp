// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/fax/ReadReport.h"

#include <algorithm>
#include <memory>

namespace retrieval {

namespace {

// Texts that travel as one line of a summary: line breaks and tabs from a modem's report become
// blanks.
QString OneLine(QString text) {
    for (QChar& c : text)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            c = u' ';
    return text;
}

} // namespace

int ExitStatusOf(const ReadResult& result) {
    switch (result.step) {
    case kSuccess:
        return kExitRead;
    case kNoModem:
        return kExitNoModem;
    case kNoStoredFax:
        return kExitNoFax;
    case kUnrecordablePath:
    case kNoRoom:
        return kExitUnrecordable;
    default:
        return result.fax > 0 ? std::min(kExitFailedAtFax + result.fax, 255) : kExitSetUpFailed;
    }
}

ReadProgress WithoutRepeats(ReadProgress progress) {
    if (progress.status)
        progress.status = [status = std::move(progress.status),
                           last = std::make_shared<QString>()](const QString& text) {
            if (text == *last)
                return;
            *last = text;
            status(text);
        };
    return progress;
}

QString FaxLine(int faxNumber, const RecordedFax& fax) {
    return QStringLiteral("第 %1 份传真：%2，%3 页").arg(faxNumber).arg(OneLine(fax.id)).arg(fax.pages);
}

QString SummaryText(const ReadOutcome& outcome) {
    QString text;
    const ReadResult& result = outcome.result;
    if (result.step == kSuccess) {
        text = kSucceededText.toString() + QStringLiteral("共 %1 份传真。").arg(outcome.faxes.size());
        if (outcome.recovered > 0)
            text += QStringLiteral("其中%1（上次读取时已取出）。").arg(RecoveredText(outcome.recovered));
    } else if (result.step == kNoModem) {
        text = kNoModemMessage.toString();
    } else if (result.step == kNoStoredFax) {
        text = kNoFaxMessage.toString();
    } else if (result.step == kUnrecordablePath) {
        text = kUnrecordablePathMessage.toString();
    } else if (result.step == kNoRoom) {
        text = kNoRoomMessage.toString() + outcome.details;
    } else if (result.step == kPageNotEnded && !outcome.details.isEmpty()) {
        text = kFailedMessage.toString() + outcome.details + QStringLiteral("（结果代码 %1）。").arg(result.Code());
    } else if (result.fax > 0) {
        text =
            kFailedMessage.toString() + QStringLiteral("第 %1 份传真读取失败（结果代码 %2），之前的 %3 份传真已保存。")
                                            .arg(result.fax)
                                            .arg(result.Code())
                                            .arg(outcome.faxes.size());
    } else {
        text =
            kFailedMessage.toString() + QStringLiteral("调制解调器不接受传真参数（结果代码 %1）。").arg(result.Code());
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
