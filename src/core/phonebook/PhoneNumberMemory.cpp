// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/phonebook/PhoneNumberMemory.h"

#include "core/modem/ModemCommands.h"
#include "core/modem/ModemLink.h"
#include "core/platform/ProfileFile.h"

namespace phonebook {

std::string SlotKey(int slot) {
    return "At7z" + std::to_string(slot);
}

std::string SlotCommand(int slot, std::string_view text) {
    return modem::CommandWithValue("AT&Z" + std::to_string(slot) + "=", text);
}

SlotTexts LoadPhoneNumbers(const std::string& iniPath) {
    const ProfileFile file = ProfileFile::Load(iniPath);
    SlotTexts texts;
    for (size_t i = 0; i < kSlotCount; ++i)
        texts[i] = file.GetString(kSection, SlotKey(kSlotOrder[i]), "");
    return texts;
}

bool StorePhoneNumbers(const std::string& iniPath, const SlotTexts& texts) {
    ProfileFile file = ProfileFile::Load(iniPath);
    for (size_t i = 0; i < kSlotCount; ++i)
        file.WriteString(kSection, SlotKey(kSlotOrder[i]), texts[i]);
    return file.Save();
}

bool SendToModem(ModemLink& link, const SlotTexts& texts) {
    for (size_t i = 0; i < kSlotCount; ++i) {
        if (!link.SendExpectingOk(SlotCommand(kSlotOrder[i], texts[i]), kSlotAckWait))
            return false;
    }
    return true;
}

} // namespace phonebook
