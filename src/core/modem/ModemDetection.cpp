// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/modem/ModemDetection.h"

#include "core/modem/ModemCommands.h"
#include "core/modem/ModemLink.h"

#include <QStringList>

#include <string>

namespace {

// DTR up for a second, then three "AT"s: the first two wake a modem that was asleep or still
// busy with something else; only the answer to the third counts.
bool ProbePort(ModemLink& link, std::string_view port, DetectionReport* report) {
    link.Open(std::string(port));
    link.Configure();
    link.RaiseDtrFor(modem::kDtrRaise);
    bool answered = false;
    for (int attempt = 0; attempt < 3; ++attempt)
        answered = link.SendExpectingOk(modem::kAttention, modem::kPresenceWait);
    if (report)
        report->push_back(AttemptOf(link, std::string(port), answered));
    return answered;
}

QString ReasonOf(const PortAttempt& attempt) {
    if (attempt.answered)
        return QStringLiteral("调制解调器已应答。");
    switch (attempt.failure) {
    case PortFailure::None:
        return QStringLiteral("端口已打开，但调制解调器对“AT”没有回答“OK”。"
                              "请检查调制解调器是否已接好、已开机。");
    case PortFailure::Absent:
        return attempt.device.empty() ? QStringLiteral("没有找到串口。")
                                      : QStringLiteral("端口不存在。请检查串口线或USB转串口适配器是否已插好。");
    case PortFailure::Busy:
        return QStringLiteral("端口正被其他程序使用。请关闭那个程序后再试。");
    case PortFailure::NoPermission:
        return QStringLiteral("没有使用该端口的权限。请把您的用户加入“dialout”组"
                              "（例如执行 sudo adduser $USER dialout），然后注销并重新登录。");
    case PortFailure::Other:
        break;
    }
    return QStringLiteral("无法打开端口（%1）。").arg(QString::fromLocal8Bit(attempt.systemText.c_str()));
}

} // namespace

PortAttempt AttemptOf(const SerialPort& link, const std::string& port, const bool answered) {
    const OpenReport& open = link.LastOpen();
    return PortAttempt{port, open.device, open.failure, open.systemText, answered};
}

bool FindModem(ModemLink& link, DetectionReport* report) {
    if (report)
        report->clear();
    if (ProbePort(link, modem::kFirstPort, report))
        return true;
    link.Close();
    if (ProbePort(link, modem::kSecondPort, report))
        return true;
    link.Close();
    return false;
}

QString DescribeDetection(const DetectionReport& report) {
    QStringList lines;
    for (const PortAttempt& attempt : report) {
        QString port = QString::fromLatin1(attempt.port.c_str());
        if (!attempt.device.empty())
            port += QStringLiteral("（%1）").arg(QString::fromLocal8Bit(attempt.device.c_str()));
        lines << port + QStringLiteral("：") + ReasonOf(attempt);
    }
    return lines.join(QLatin1Char('\n'));
}
