// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/modem/ModemLink.h"
#include "core/phonebook/PhoneNumberMemory.h"
#include "core/platform/ProfileFile.h"
#include "core/platform/ProgramIni.h"
#include "support/SimModemFixture.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace phonebook;

namespace {

// A link already open on the simulated modem, as the dialog has it after the detection.
struct PhoneMemoryTest : ::testing::Test {
    PhoneMemoryTest() {
        EXPECT_TRUE(link.Open("COM1"));
        EXPECT_TRUE(link.Configure());
    }
    ~PhoneMemoryTest() override { link.Close(); }

    // Distinct texts for every slot: numbers "1000".."1014", names "N68".."N78".
    static SlotTexts SampleTexts() {
        SlotTexts texts;
        for (size_t i = 0; i < kSlotCount; ++i) {
            const int slot = kSlotOrder[i];
            texts[i] = slot < 68 ? std::to_string(1000 + slot) : "N" + std::to_string(slot);
        }
        return texts;
    }

    SimModemFixture sim;
    ModemLink link{sim.env};
};

TEST_F(PhoneMemoryTest, SendsTheTwentySixSlotsInSlotOrderOneSecondEach) {
    // The fixed waits asked for: each command waits its whole second.
    link.Close();
    sim.ports.SetFixedWaits(true);
    ASSERT_TRUE(link.Open("COM1"));
    const uint32_t start = sim.time.TickCount();
    EXPECT_TRUE(SendToModem(link, SampleTexts()));

    std::vector<std::string> expected;
    for (int slot = 0; slot <= 14; ++slot)
        expected.push_back("AT&Z" + std::to_string(slot) + "=" + std::to_string(1000 + slot));
    for (int slot = 68; slot <= 78; ++slot)
        expected.push_back("AT&Z" + std::to_string(slot) + "=N" + std::to_string(slot));
    EXPECT_EQ(sim.com1.Commands(), expected);
    EXPECT_EQ(sim.com1.Slot(9), "1009");
    EXPECT_EQ(sim.com1.Slot(78), "N78");
    // Slots 15 to 67 belong to someone else.
    for (int slot = 15; slot < 68; ++slot)
        EXPECT_EQ(sim.com1.Slot(slot), "") << slot;
    // The wait is not cut short by an early "OK".
    EXPECT_GE(sim.time.TickCount() - start, 26u * 1000u);
}

TEST_F(PhoneMemoryTest, EmptyTextsAreSentAsEmptySlots) {
    const uint32_t start = sim.time.TickCount();
    EXPECT_TRUE(SendToModem(link, SlotTexts{}));
    EXPECT_LT(sim.time.TickCount() - start, 1000u) << "each wait ends with the modem's OK";
    ASSERT_EQ(sim.com1.Commands().size(), kSlotCount);
    EXPECT_EQ(sim.com1.Commands().front(), "AT&Z0=");
    EXPECT_EQ(sim.com1.Commands().back(), "AT&Z78=");
}

TEST_F(PhoneMemoryTest, StopsAtTheFirstSlotWithoutOk) {
    // The 21st slot command is slot 73, entry 10's name.
    sim.com1.AddFault(MakeFault(quorra::FaultKind::NoAck, "AT&Z", 21));
    EXPECT_FALSE(SendToModem(link, SampleTexts()));
    ASSERT_EQ(sim.com1.Commands().size(), 21u);
    EXPECT_EQ(sim.com1.Commands().back(), "AT&Z73=N73");
    EXPECT_EQ(sim.com1.Slot(72), "N72");
    EXPECT_EQ(sim.com1.Slot(73), "");
    EXPECT_EQ(sim.com1.Slot(74), "");
}

TEST_F(PhoneMemoryTest, AnErrorReplyIsAFailureToo) {
    sim.com1.AddFault(MakeFault(quorra::FaultKind::Error, "AT&Z0=", 1));
    EXPECT_FALSE(SendToModem(link, SampleTexts()));
    EXPECT_EQ(sim.com1.Commands().size(), 1u);
}

TEST(PhoneSlots, CommandsAndKeys) {
    EXPECT_EQ(SlotKey(0), "At7z0");
    EXPECT_EQ(SlotKey(78), "At7z78");
    EXPECT_EQ(SlotCommand(9, "12345"), "AT&Z9=12345\r");
    EXPECT_EQ(SlotCommand(68, "abc"), "AT&Z68=abc\r"); // case kept
    // A carriage return from a hand-edited file cannot start a command of its own.
    EXPECT_EQ(SlotCommand(0, "1\rATZ"), "AT&Z0=1 ATZ\r");
    EXPECT_EQ(NumberSlot(10), 9);
    EXPECT_EQ(NameSlot(5), 68);
    EXPECT_EQ(NameSlot(15), 78);
    for (size_t i = 0; i < kSlotCount; ++i)
        EXPECT_EQ(IndexOfSlot(kSlotOrder[i]), i);
    EXPECT_EQ(programini::PathIn("/home/ann/KORVEL QUORRA/"), "/home/ann/KORVEL QUORRA/RERAVA.INI");
    EXPECT_EQ(programini::DirectoryOf("C:\\KORVEL QUORRA\\RERAVA.INI"), "C:\\KORVEL QUORRA\\");
}

TEST(PhoneSlots, LoadAndStoreThroughRERAVAINI) {
    const std::string ini = testsupport::MakeTempDir() + "RERAVA.INI";
    // Missing file: all empty.
    for (const std::string& text : LoadPhoneNumbers(ini))
        EXPECT_EQ(text, "");

    testsupport::WriteFile(ini, "[DEZAZAZE]\r\nRING=4\r\nat7z9 =  555 \r\nAt7z0=" + std::string(300, '7') +
                                    "\r\n[FAX]\r\nNUM=0\r\n");
    SlotTexts texts = LoadPhoneNumbers(ini);
    EXPECT_EQ(texts[IndexOfSlot(9)], "555");
    EXPECT_EQ(texts[IndexOfSlot(0)], std::string(254, '7'));
    EXPECT_EQ(texts[IndexOfSlot(68)], "");

    texts[IndexOfSlot(73)] = "\xD5\xC5\xC8\xFD"; // GBK bytes stay bytes
    ASSERT_TRUE(StorePhoneNumbers(ini, texts));
    const ProfileFile file = ProfileFile::Load(ini);
    EXPECT_EQ(file.GetString("DEZAZAZE", "RING", ""), "4");
    EXPECT_EQ(file.GetString("DEZAZAZE", "At7z73", "?"), "\xD5\xC5\xC8\xFD");
    EXPECT_EQ(file.GetString("DEZAZAZE", "At7z14", "?"), "");
    EXPECT_EQ(file.GetString("FAX", "NUM", ""), "0");
    EXPECT_EQ(LoadPhoneNumbers(ini), texts);

    // The new keys follow the slot order in the file.
    const std::string bytes = testsupport::ReadFile(ini);
    size_t last = 0;
    for (int slot : kSlotOrder) {
        if (slot == 0 || slot == 9)
            continue; // written where they already stood
        const size_t pos = bytes.find("At7z" + std::to_string(slot) + "=");
        ASSERT_NE(pos, std::string::npos) << slot;
        EXPECT_GT(pos, last) << slot;
        last = pos;
    }
}

} // namespace
