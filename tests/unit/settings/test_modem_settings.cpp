// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/settings/ModemSettings.h"

#include "core/platform/ProfileFile.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>

using testsupport::ReadFile;
using testsupport::WriteFile;

namespace {

std::string FreshPath() {
    return testsupport::MakeTempDir() + "RERAVA.INI";
}

TEST(ModemSettings, MissingFileGivesTheDefaults) {
    const ModemSettings s = LoadSettings(FreshPath());
    EXPECT_EQ(s.ring, 4);
    EXPECT_EQ(s.newNum, 1);
    EXPECT_EQ(s.bp, 0);
    EXPECT_EQ(s.callId, 0);
    EXPECT_EQ(s.ts, 1);
    EXPECT_EQ(s.fax, 1);
    EXPECT_EQ(s.cs, 1);
    EXPECT_EQ(s.vsm, 1);
    EXPECT_EQ(s.viewFax, 1);
    EXPECT_EQ(s.bpNum + s.pass + s.id + s.faxView, "");
}

TEST(ModemSettings, FirstSaveWritesTheKeysInOrder) {
    const std::string path = FreshPath();
    ModemSettings s;
    s.ring = 9; // the integers are not written; the chosen entries' texts are
    s.ringText = "6";
    s.newNumText = "3";
    s.bpNum = "13800138000";
    s.bp = 2; // only 1 is on
    s.callId = 5;
    s.ts = 0;
    s.pass = "1234";
    s.id = "\xD5\xC5\xC8\xFD";
    s.vsm = 0;
    s.viewFax = 0;
    s.faxView = "/opt/tessiva/tessview.exe";
    SaveSettings(path, s);
    EXPECT_EQ(ReadFile(path), "[DEZAZAZE]\r\nViewFax=0\r\nCALLID=1\r\nBpNum=13800138000\r\nBp=0\r\nNewNum=3\r\nTS=0\r\n"
                              "FAX=1\r\nCS=1\r\nPASS=1234\r\nID=\xD5\xC5\xC8\xFD\r\nRING=6\r\nVSM=0\r\n"
                              "FAXVIEW=/opt/tessiva/tessview.exe\r\n");
    const ModemSettings back = LoadSettings(path);
    EXPECT_EQ(back.ring, 6);
    EXPECT_EQ(back.newNum, 3);
    EXPECT_EQ(back.callId, 1);
    EXPECT_EQ(back.vsm, 0);
    EXPECT_EQ(back.id, s.id);
    EXPECT_EQ(back.faxView, s.faxView);
}

// The other owners' keys stay, the settings change where they stand, unchosen entries and an
// unselected quality keep their stored values, and an empty viewer path removes its key.
TEST(ModemSettings, SaveOverAnExistingSection) {
    const std::string path = FreshPath();
    WriteFile(path, "[DEZAZAZE]\r\nINSTALL=1\r\nAt7z1=110\r\nfAx=0\r\nRING=9\r\nNewNum=12\r\nVSM=3\r\n"
                    "FAXVIEW=/old/tessview.exe\r\n[FAX]\r\nNUM=2\r\n");
    ModemSettings s = LoadSettings(path);
    EXPECT_EQ(s.fax, 0);
    EXPECT_EQ(s.ring, 9);
    EXPECT_EQ(s.newNum, 12);
    EXPECT_EQ(s.vsm, 3);
    s.vsm = -1;
    s.faxView.clear();
    SaveSettings(path, s);
    EXPECT_EQ(ReadFile(path), "[DEZAZAZE]\r\nINSTALL=1\r\nAt7z1=110\r\nFAX=0\r\nRING=9\r\nNewNum=12\r\nVSM=3\r\n"
                              "ViewFax=1\r\nCALLID=0\r\nBpNum=\r\nBp=0\r\nTS=1\r\nCS=1\r\nPASS=\r\nID=\r\n"
                              "[FAX]\r\nNUM=2\r\n");
    EXPECT_EQ(profile::GetString(path, "DEZAZAZE", "FAXVIEW", "unset"), "unset");
}

TEST(ModemSettings, FaxReceptionKeyReadsInAnyCase) {
    for (const char* key : {"Fax", "FAX", "fax", "fAX"}) {
        const std::string path = FreshPath();
        WriteFile(path, std::string("[dezazaze]\r\n") + key + "=0\r\n");
        EXPECT_EQ(LoadSettings(path).fax, 0) << key;
        SaveSettings(path, LoadSettings(path));
        EXPECT_NE(ReadFile(path).find("\r\nFAX=0\r\n"), std::string::npos) << key;
    }
}

TEST(ModemSettings, ControlCharactersInTextsStayOnTheirLine) {
    const std::string path = FreshPath();
    ModemSettings s;
    s.id = "A\r\n[FAX]";
    s.bpNum = "1\n2";
    SaveSettings(path, s);
    const ModemSettings back = LoadSettings(path);
    EXPECT_EQ(back.id, "A  [FAX]");
    EXPECT_EQ(back.bpNum, "1 2");
    EXPECT_EQ(profile::GetInt(path, "FAX", "NUM", -1), -1);
}

} // namespace
