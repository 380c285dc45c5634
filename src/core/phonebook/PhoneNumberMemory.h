// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/platform/ProgramIni.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

class ModemLink;

// The modem's memory of numbered text slots as the phone-number dialog uses it: fifteen numbers
// (entry N in slot N-1) and eleven names (entry N = 5..15 in slot N+63). Each slot is written with
// "AT&Z<slot>=<text>\r"; the program's copy lives in section "DEZAZAZE" of RERAVA.INI under
// "At7z<slot>", written only after the modem acknowledged all 26 slots. Texts are GBK bytes.
namespace phonebook {

inline constexpr size_t kSlotCount = 26;
inline constexpr size_t kNumberCount = 15;
inline constexpr size_t kNameCount = 11;
inline constexpr int kFirstNamedEntry = 5;
inline constexpr size_t kNumberLimit = 31; // bytes (the dialog's prompt says 30 digits; 31 fit)
inline constexpr size_t kNameLimit = 8;    // bytes
inline constexpr const char* kSection = programini::kSettingsSection;
// One second per slot, whether the modem answers earlier or not.
inline constexpr uint32_t kSlotAckWait = 1000;

// The slots in the order they are loaded, sent and written: the numbers' slots 0..14, then the
// names' slots 68..78.
inline constexpr std::array<int, kSlotCount> kSlotOrder = {0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12,
                                                           13, 14, 68, 69, 70, 71, 72, 73, 74, 75, 76, 77, 78};

// The 26 texts in the order of kSlotOrder.
using SlotTexts = std::array<std::string, kSlotCount>;

constexpr int NumberSlot(int entry) {
    return entry - 1;
}
constexpr int NameSlot(int entry) {
    return entry + 63;
}
// Position of a slot in kSlotOrder (and SlotTexts).
constexpr size_t IndexOfSlot(int slot) {
    return slot < 68 ? static_cast<size_t>(slot) : static_cast<size_t>(slot - 68) + kNumberCount;
}

// "At7z" and the slot number.
std::string SlotKey(int slot);
// "AT&Z<slot>=" + text + "\r", composed as every command with a value: a control character in
// the text goes out as a blank, so one slot's text never ends its command early and starts another.
std::string SlotCommand(int slot, std::string_view text);

// The 26 texts from RERAVA.INI; missing keys read empty, at most 254 bytes each.
SlotTexts LoadPhoneNumbers(const std::string& iniPath);
// Writes the 26 keys in slot order, all in one save of the file.
bool StorePhoneNumbers(const std::string& iniPath, const SlotTexts& texts);

// Writes every slot into the modem, one acknowledged command per second. True when all 26 were
// answered with "OK"; false at the first that was not (the slots before it keep their new texts,
// the later ones are not sent).
bool SendToModem(ModemLink& link, const SlotTexts& texts);

} // namespace phonebook
