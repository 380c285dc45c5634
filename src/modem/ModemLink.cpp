// SPDX-License-Identifier: GPL-3.0-or-later
#include "modem/ModemLink.h"

// Placeholder bodies until the modem link is built.
ModemLink::ModemLink(LinkEnvironment env) : SerialPort(env) {}
ModemLink::~ModemLink() = default;
bool ModemLink::SendCommand(std::string_view, uint32_t, bool, bool, bool) { return false; }
bool ModemLink::ReplyContains(std::string_view) { return false; }
bool ModemLink::WaitForText(uint32_t, std::string_view) { return false; }
bool ModemLink::WaitForOk() { return false; }
bool ModemLink::CaptureData() { return false; }
bool ModemLink::OpenCapture(const std::string&) { return false; }
bool ModemLink::WriteCapture(const char*, size_t) { return false; }
bool ModemLink::SeekCapture(uint64_t) { return false; }
bool ModemLink::SeekCaptureToEnd() { return false; }
void ModemLink::CloseCapture() {}
std::string ModemLink::ReplyText() const { return {}; }
std::string ModemLink::LastRead() const { return {}; }
