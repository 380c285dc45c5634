// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The modem's vocabulary in one place: what the program sends, what it waits for, and how long.
// Every command ends with a carriage return; replies are searched for as case-sensitive substrings.
namespace modem {

// Ports, tried in this order.
inline constexpr std::string_view kFirstPort = "COM1";
inline constexpr std::string_view kSecondPort = "COM2";

// Presence.
inline constexpr std::string_view kAttention = "AT\r";
inline constexpr std::string_view kOk = "OK";
// The line that ends a reply the modem accepted (WaitForOk, the answer report, the caller listing).
inline constexpr std::string_view kOkLine = "OK\r\n";

// Service class 2 playback of stored faxes.
inline constexpr std::string_view kFaxClass2 = "AT+FCLASS=2\r";
inline constexpr std::string_view kEnableReception = "AT+FCR=1\r";
inline constexpr std::string_view kDirectBitOrder = "AT+FBOR=0\r";
inline constexpr std::string_view kQueryCapabilities = "AT+FDCC=?\r";
// Fine resolution, 14400 bit/s, 1728 pixels, A4, one-dimensional, no ECM, no BFT, zero scan time.
inline constexpr std::string_view kSessionParameters = "AT+FDIS=1,5,0,0,0,0,0,0\r";
inline constexpr std::string_view kNextFax = "ATG\r";
inline constexpr std::string_view kAnswer = "ATA\r";
inline constexpr std::string_view kReceivePage = "AT+FDR\r";
inline constexpr char kDC2 = 0x12; // starts the page data
inline constexpr std::string_view kRing = "RING";
inline constexpr std::string_view kConnect = "CONNECT";
inline constexpr std::string_view kDcsTag = "+FDCS: ";
inline constexpr std::string_view kTsiTag = "FTSI: \"";

// Back to data mode.
inline constexpr std::string_view kDataClass = "AT+FCLASS=0\r";
inline constexpr std::string_view kHangUp = "ATH\r";
inline constexpr std::string_view kReset = "ATZ\r";

// Settings, phone-number slots, caller log.
inline constexpr std::string_view kStoreConfiguration = "AT&W\r";
inline constexpr std::string_view kCallerListing = "AT&V\r";
inline constexpr std::string_view kCallerSection = "TELEPHONE NUMBERS";

// The result lines after which the modem says nothing more to a command: its reply is complete
// once one of them has come whole, with its CR LF. "CONNECT" may carry a speed ("CONNECT 14400").
inline constexpr std::string_view kFinalResults[] = {"OK",   "ERROR",       "CONNECT",  "NO CARRIER",
                                                     "BUSY", "NO DIALTONE", "NO ANSWER"};

// Page data framing.
inline constexpr char kDLE = 0x10;
inline constexpr char kETX = 0x03;

// A command made of a fixed prefix ("AT#PASS=", "AT&Z9="), a value and the carriage return, as
// every command with a value part is composed. The value comes from the user or from RERAVA.INI;
// a control character in it (a carriage return, a line feed, an escape) goes out as a blank, so
// that a value can never end its command early and have the modem run the rest as a second one.
// GBK bytes pass unchanged: neither byte of a double-byte character is below 0x20 or 0x7F.
inline std::string CommandWithValue(std::string_view prefix, std::string_view value) {
    std::string command;
    command.reserve(prefix.size() + value.size() + 1);
    command.append(prefix);
    for (const char c : value) {
        const auto u = static_cast<unsigned char>(c);
        command += (u < 0x20 || u == 0x7F) ? ' ' : c;
    }
    command += '\r';
    return command;
}

// Waits, in milliseconds of the tick counter.
inline constexpr uint32_t kShortWait = 100;
inline constexpr uint32_t kPresenceWait = 500;
inline constexpr uint32_t kLongWait = 1000;
inline constexpr uint32_t kDtrRaise = 1000;
inline constexpr uint32_t kTextPoll = 10;        // one pass of WaitForText
inline constexpr uint32_t kOkLineTimeout = 5000; // WaitForOk
inline constexpr uint32_t kFirstRingTimeout = 5000;
inline constexpr uint32_t kNextRingTimeout = 10000;
inline constexpr uint32_t kPageEndOkTimeout = 5000;

} // namespace modem
