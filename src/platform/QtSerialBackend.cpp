// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/QtSerialBackend.h"

// Filled in with the modem link.
QtSerialBackend::QtSerialBackend(PortMap ports) : m_ports(std::move(ports)) {}
QtSerialBackend::~QtSerialBackend() = default;
bool QtSerialBackend::Open(const std::string&) {
    return false;
}
bool QtSerialBackend::IsOpen() const {
    return false;
}
bool QtSerialBackend::Close() {
    return false;
}
bool QtSerialBackend::Configure(const LineSettings&) {
    return false;
}
bool QtSerialBackend::Write(const char*, size_t) {
    return false;
}
std::optional<size_t> QtSerialBackend::BytesWaiting() {
    return std::nullopt;
}
std::optional<size_t> QtSerialBackend::Read(char*, size_t) {
    return std::nullopt;
}
bool QtSerialBackend::SetDtr() {
    return false;
}
