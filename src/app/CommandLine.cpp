// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CommandLine.h"

#include "app/Program.h"
#include "app/ProgramDirectory.h"
#include "app/ReadHandOver.h"
#include "app/SingleInstance.h"
#include "app/StopSignals.h"
#include "core/fax/FaxReader.h"
#include "core/fax/ReadReport.h"
#include "core/platform/Clock.h"
#include "core/platform/EventPump.h"
#include "core/platform/ProgramIni.h"
#include "core/platform/QtSerialBackend.h"

#include <QCommandLineParser>
#include <QFile>
#include <QTextStream>
#include <QThread>
#include <QTimer>

#include <chrono>

namespace {

const QString kVersionText = QStringLiteral("KorvelQuorraMODEM传真软件 %1").arg(QStringLiteral(FAXDESK_VERSION));

// What --help tells about --read-faxes beyond the option list.
const QString kExitStatusText =
    QStringLiteral("\n--read-faxes 的退出状态：\n"
                   "  0      读取传真成功\n"
                   "  1      命令行有误\n"
                   "  2      没有存储传真\n"
                   "  3      检测调制解调器失败（COM1 和 COM2 都没有应答）\n"
                   "  4      调制解调器不接受传真参数\n"
                   "  5      正在运行的传真程序正忙（另一命令或对话框尚未结束）、无法联系，\n"
                   "         或它的程序目录不是所指定的目录\n"
                   "  6      程序目录名含有GBK无法表示的字符，传真无法记录\n"
                   "  7      读取超过 --time-limit 的时间，已中止\n"
                   "  10+n   第 n 份传真读取失败，之前的传真已保存（最大 255）\n"
                   "  128+s  读取因信号 s 中止（SIGTERM 143、SIGINT 130、SIGHUP 129），调制解调器已恢复数据模式\n");

// How long to keep asking when another copy holds the lock but does not answer: it may still be
// starting up (or it shows its installation dialog, which never answers).
constexpr int kConnectAttempts = 10;
constexpr int kConnectPauseMs = 500;

// The summary on standard output; why the read stopped (each port tried) on standard error.
void Report(const retrieval::ReadOutcome& outcome, QTextStream& out, QTextStream& err) {
    if (!outcome.details.isEmpty())
        err << outcome.details << '\n' << Qt::flush;
    out << retrieval::SummaryText(outcome) << Qt::flush;
}

} // namespace

CommandLine ParseCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(
        QStringLiteral("KorvelQuorraMODEM传真软件：读取QuorraMODEM存储的传真，列出、阅览和删除传真，设置调制解调器。"));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("显示本帮助并退出。"));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("显示版本信息并退出。"));
    const QCommandLineOption readFaxes(
        QStringLiteral("read-faxes"),
        QStringLiteral("不打开窗口，读取调制解调器存储的全部传真：进度写到标准错误，结果写到标准输出。"
                       "窗口正在运行时，由运行中的程序读取。"));
    const QCommandLineOption programDirectory(
        startup::kDirectoryOption.toString(),
        QStringLiteral("程序目录：RERAVA.INI 和收到的传真所在的目录，默认为 ~/KORVEL QUORRA"
                       "（也可以用环境变量 %1 指定，两者都有时以本选项为准）。")
            .arg(startup::kDirectoryVariable),
        QStringLiteral("目录"));
    const QCommandLineOption timeLimit(
        QStringLiteral("time-limit"),
        QStringLiteral("与 --read-faxes 一起使用：读取最多进行这么多分钟，超过则中止并让调制解调器恢复数据模式"
                       "（默认 %1，0 表示不限）。")
            .arg(CommandLine::kDefaultTimeLimitMinutes),
        QStringLiteral("分钟"));
    parser.addOption(help);
    parser.addOption(version);
    parser.addOption(readFaxes);
    parser.addOption(programDirectory);
    parser.addOption(timeLimit);

    CommandLine result;
    if (!parser.parse(arguments)) {
        result.action = CommandLine::Action::Exit;
        result.exitStatus = 1;
        result.output = parser.errorText() + QStringLiteral("\n请用 --help 查看可用的选项。\n");
        result.outputIsError = true;
        return result;
    }
    if (parser.isSet(help)) {
        QString text = parser.helpText();
        // Qt's own headings, where no translation of Qt is loaded.
        text.replace(QLatin1String("Usage:"), QStringLiteral("用法："));
        text.replace(QLatin1String("Options:"), QStringLiteral("选项："));
        text.replace(QLatin1String("[options]"), QStringLiteral("[选项]"));
        result.action = CommandLine::Action::Exit;
        result.output = text + kExitStatusText;
        return result;
    }
    if (parser.isSet(version)) {
        result.action = CommandLine::Action::Exit;
        result.output = kVersionText + u'\n';
        return result;
    }
    if (!parser.positionalArguments().isEmpty()) {
        result.action = CommandLine::Action::Exit;
        result.exitStatus = 1;
        result.output = QStringLiteral("多余的参数：%1\n请用 --help 查看可用的选项。\n")
                            .arg(parser.positionalArguments().join(u' '));
        result.outputIsError = true;
        return result;
    }
    if (parser.isSet(programDirectory)) {
        result.programDirectory = parser.value(programDirectory);
        if (result.programDirectory.isEmpty()) {
            result.action = CommandLine::Action::Exit;
            result.exitStatus = 1;
            result.output =
                QStringLiteral("--%1 需要一个目录。\n请用 --help 查看可用的选项。\n").arg(startup::kDirectoryOption);
            result.outputIsError = true;
            return result;
        }
    }
    if (parser.isSet(timeLimit)) {
        bool number = false;
        result.timeLimitMinutes = parser.value(timeLimit).toInt(&number);
        if (!number || result.timeLimitMinutes < 0 || result.timeLimitMinutes > 24 * 60) {
            result.action = CommandLine::Action::Exit;
            result.exitStatus = 1;
            result.output =
                QStringLiteral("--time-limit 需要 0 到 1440 之间的分钟数。\n请用 --help 查看可用的选项。\n");
            result.outputIsError = true;
            return result;
        }
    }
    if (parser.isSet(readFaxes))
        result.action = CommandLine::Action::ReadFaxes;
    return result;
}

int RunCommandLineRead(const std::string& programDirectory, bool directoryNamed, int timeLimitMinutes, QTextStream& out,
                       QTextStream& err) {
    int faxNumber = 0;
    const retrieval::ReadProgress progress{[&err](const QString& text) {
                                               if (text != retrieval::kIdleText)
                                                   err << text << '\n' << Qt::flush;
                                           },
                                           [&err, &faxNumber](const retrieval::RecordedFax& fax) {
                                               err << retrieval::FaxLine(++faxNumber, fax) << '\n' << Qt::flush;
                                           }};

    const QString instanceName = QString::fromUtf8(Program::kInstanceName);
    const QString directory = QFile::decodeName(QByteArray::fromStdString(programDirectory));
    const QString askedDirectory = directoryNamed ? directory : QString();
    SingleInstance instance(instanceName);
    const SingleInstance::Outcome lock = instance.TryAcquire();
    if (lock == SingleInstance::Outcome::Failed) {
        // Without the lock this read could share the modem with a window's: it does not start.
        err << QStringLiteral("无法确认传真程序是否已在运行，未读取传真：") << instance.FailureReason() << '\n'
            << Qt::flush;
        return retrieval::kExitBusy;
    }
    if (lock == SingleInstance::Outcome::HeldElsewhere) {
        // The window runs: it reads, and this process tells what it says.
        std::optional<handover::Answer> answer;
        for (int attempt = 0; attempt < kConnectAttempts && !answer; ++attempt) {
            if (attempt > 0)
                QThread::msleep(kConnectPauseMs);
            answer = handover::RequestRead(handover::ServerName(instanceName), askedDirectory, progress);
        }
        if (answer && answer->foreign) {
            err << QStringLiteral("接受读取请求的程序属于另一个用户，已拒绝，未读取传真。\n") << Qt::flush;
            return retrieval::kExitBusy;
        }
        if (!answer || answer->lost) {
            err << (answer ? QStringLiteral("传真程序在读取中途中断。\n")
                           : QStringLiteral("传真程序正在运行，但没有接受读取请求，请稍后再试。\n"))
                << Qt::flush;
            return retrieval::kExitBusy;
        }
        if (!answer->elsewhere.isEmpty()) {
            err << QStringLiteral("传真程序正在运行，它的传真保存在“%1”，不在“%2”。请先关闭传真程序，"
                                  "再读取到这个目录。\n")
                       .arg(answer->elsewhere, directory)
                << Qt::flush;
            return retrieval::kExitBusy;
        }
        if (answer->busy) {
            out << retrieval::BusyText() << Qt::flush;
            return retrieval::kExitBusy;
        }
        Report(answer->outcome, out, err);
        return retrieval::ExitStatusOf(answer->outcome.result);
    }

    // Nobody else has the port: the read is this process's own.
    SteadyClock clock;
    SystemWallClock wallClock;
    QtEventPump pump;
    QtSerialBackendFactory ports{PortMap(programini::PathIn(programDirectory))};
    FaxReader reader(LinkEnvironment{clock, pump, ports}, wallClock, programDirectory,
                     FaxReader::SpoolOf(programDirectory));
    // A signal or the time limit ends the read cleanly: the modem back in data mode, the port
    // closed, a fax the modem still holds left there (the next read brings it).
    QString stoppedBy;
    StopSignals stopSignals([&](const QString& name) {
        stoppedBy = name;
        reader.Interrupt();
    });
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, [&] {
        stoppedBy = QStringLiteral("时间限制（%1 分钟）").arg(timeLimitMinutes);
        reader.Interrupt();
    });
    if (timeLimitMinutes > 0)
        limit.start(std::chrono::minutes(timeLimitMinutes));
    const retrieval::ReadOutcome outcome = reader.Read(retrieval::WithoutRepeats(progress));
    Report(outcome, out, err);
    if (outcome.interrupted) {
        err << QStringLiteral("读取因 %1 中止，调制解调器已恢复数据模式；未读完的传真仍在调制解调器中。\n")
                   .arg(stoppedBy)
            << Qt::flush;
        return stopSignals.Received() != 0 ? 128 + stopSignals.Received() : retrieval::kExitTimeLimit;
    }
    return retrieval::ExitStatusOf(outcome.result);
}
