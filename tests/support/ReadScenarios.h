// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/fax/FaxRetrieval.h"
#include "core/fax/ReadReport.h"
#include "support/SimModemFixture.h"
#include "support/TestSupport.h"

#include <QString>

#include <functional>
#include <string>
#include <vector>

// The modems a read meets and what each read must end with, in one list for the three places that
// read: the retrieval behind the read command, the read without a window (the command line and the
// automatic reading) and the read command in the window. Each test checks what its place shows of
// the outcome; the list keeps them telling the same story.
namespace readscenarios {

struct Fax {
    std::string id; // as the record keeps it
    int pages;
    bool fine;
};

struct Scenario {
    const char* name;
    std::function<void(SimModemFixture&)> setUp;
    int result;             // the read's result code
    QString message;        // the message the read ends with (the window's stop box); empty: none
    std::vector<Fax> faxes; // recorded, in order
    int exitStatus;         // the command line's
    QString summaryStart;   // the start of the command line's summary
};

inline std::string Page(const char* name) {
    return testsupport::ReadFile(std::string(FAXDESK_TEST_DATA_DIR) + "/pages/" + name + ".g3");
}

// A sender identification as real modems report it: 20 characters, right-aligned; and as the read
// records it. The strict modem reports it without its padding, and a shorter one takes its closing
// quote along (the 20 characters after the opening one, up to the line end).
inline const std::string kPaddedId = "     +86 10 87654321";
inline const std::string kSenderRead = SimModemFixture::StrictModems() ? "+86 10 87654321\"" : "+86 10 87654321";

inline std::vector<Scenario> Scenarios() {
    using namespace retrieval;
    const QString failed = kFailedMessage.toString();
    return {
        {"TwoFaxes",
         [](SimModemFixture& sim) {
             sim.com1.AddFax({kPaddedId, true, {Page("checker")}});
             sim.com1.AddFax({"A\r\nB", false, {Page("text-normal-fill"), Page("black-line")}});
         },
         kSuccess,
         {},
         {{kSenderRead, 1, true}, {"A  B\"", 2, false}},
         kExitRead,
         QStringLiteral("读取传真成功！共 2 份传真。")},
        {"NoStoredFax",
         [](SimModemFixture&) {},
         kNoStoredFax,
         kNoFaxMessage.toString(),
         {},
         kExitNoFax,
         QStringLiteral("没有存储传真！")},
        {"NoModemOnEitherPort",
         [](SimModemFixture& sim) { sim.RemoveCom1(); },
         kNoModem,
         kNoModemMessage.toString(),
         {},
         kExitNoModem,
         QStringLiteral("检测调制解调器失败！")},
        {"FaxClassRefused",
         [](SimModemFixture& sim) {
             sim.com1.AddFax({kPaddedId, true, {Page("checker")}});
             sim.com1.AddFault(MakeFault(quorra::FaultKind::Error, "AT+FCLASS=2"));
         },
         kNoFaxClass,
         failed,
         {},
         kExitSetUpFailed,
         QStringLiteral("传真读取失败！调制解调器不接受")},
        // The second fax's page stops short: the first stays recorded, the second stays in the modem.
        {"SecondFaxCutShort",
         [](SimModemFixture& sim) {
             sim.com1.AddFax({kPaddedId, true, {Page("checker")}});
             sim.com1.AddFax({kPaddedId, true, {Page("checker")}});
             sim.com1.AddFault(MakeFault(quorra::FaultKind::CutPage, "\x12", 2, 100));
         },
         kPageNotEnded + 2,
         failed,
         {{kSenderRead, 1, true}},
         kExitFailedAtFax + 2,
         QStringLiteral("传真读取失败！第 2 份传真读取失败（结果代码 11），之前的 1 份传真已保存。")},
        {"LineGoneInTheAnswer",
         [](SimModemFixture& sim) {
             sim.com1.AddFax({kPaddedId, true, {Page("checker")}});
             sim.com1.AddFault(MakeFault(quorra::FaultKind::LineDrop, "ATA"));
         },
         kNoAnswerReport,
         failed,
         {},
         kExitFailedAtFax + 1,
         QStringLiteral("传真读取失败！第 1 份传真读取失败")},
    };
}

} // namespace readscenarios
