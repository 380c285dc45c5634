// SPDX-License-Identifier: GPL-3.0-or-later
// Which devices COM1 and COM2 stand for, and why a port could not be opened.
#include "core/platform/PortMap.h"
#include "core/platform/QtSerialBackend.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using FixedPorts = testsupport::FixedPortLister;

struct OrderCase {
    const char* name;
    std::vector<FoundPort> found;
    std::vector<std::string> expected;
};

class PortOrder : public ::testing::TestWithParam<OrderCase> {};

TEST_P(PortOrder, UsbFirstThenBuiltInByNumber) {
    EXPECT_EQ(OrderPorts(GetParam().found), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Lists, PortOrder,
    ::testing::Values(
        OrderCase{"Nothing", {}, {}},
        OrderCase{"UsbBeforeBuiltIn",
                  {{"/dev/ttyS0", false}, {"/dev/ttyUSB0", true}, {"/dev/ttyS1", false}},
                  {"/dev/ttyUSB0", "/dev/ttyS0", "/dev/ttyS1"}},
        OrderCase{"AcmIsUsbToo", {{"/dev/ttyS4", false}, {"/dev/ttyACM0", true}}, {"/dev/ttyACM0", "/dev/ttyS4"}},
        OrderCase{"NumbersAsNumbers",
                  {{"/dev/ttyUSB10", true}, {"/dev/ttyUSB2", true}, {"/dev/ttyS10", false}, {"/dev/ttyS9", false}},
                  {"/dev/ttyUSB2", "/dev/ttyUSB10", "/dev/ttyS9", "/dev/ttyS10"}},
        OrderCase{"SameOrderWhateverTheListing",
                  {{"/dev/ttyUSB1", true}, {"/dev/ttyACM1", true}, {"/dev/ttyUSB0", true}, {"/dev/ttyACM0", true}},
                  {"/dev/ttyACM0", "/dev/ttyACM1", "/dev/ttyUSB0", "/dev/ttyUSB1"}},
        OrderCase{"ListedTwiceCountsOnce", {{"/dev/ttyS0", false}, {"/dev/ttyS0", false}}, {"/dev/ttyS0"}}),
    [](const auto& row) { return std::string(row.param.name); });

struct MapCase {
    const char* name;
    std::string portsSection; // the lines of [PORTS]; empty: no section
    std::vector<FoundPort> found;
    std::string com1;
    std::string com2;
};

class PortMapTable : public ::testing::TestWithParam<MapCase> {};

TEST_P(PortMapTable, ComNamesStandForDevices) {
    const MapCase& c = GetParam();
    const std::string ini = testsupport::MakeTempDir() + "RERAVA.INI";
    testsupport::WriteFile(ini, "[DEZAZAZE]\r\nINSTALL=1\r\n" +
                                    (c.portsSection.empty() ? std::string() : "[PORTS]\r\n" + c.portsSection));
    const PortMap map(ini, std::make_shared<FixedPorts>(c.found));
    EXPECT_EQ(map.DeviceFor("COM1"), c.com1);
    EXPECT_EQ(map.DeviceFor("COM2"), c.com2);
    EXPECT_EQ(map.DeviceFor("/dev/ttyS3"), "/dev/ttyS3") << "a device path passes through";
}

INSTANTIATE_TEST_SUITE_P(
    Sources, PortMapTable,
    ::testing::Values(
        MapCase{"NoPortAtAll", "", {}, "", ""}, MapCase{"OnlyOnePort", "", {{"/dev/ttyS0", false}}, "/dev/ttyS0", ""},
        MapCase{"UsbAdapterIsCom1", "", {{"/dev/ttyS0", false}, {"/dev/ttyUSB0", true}}, "/dev/ttyUSB0", "/dev/ttyS0"},
        MapCase{"BothNamed",
                "COM1=/dev/ttyS1\r\nCOM2=/dev/ttyS0\r\n",
                {{"/dev/ttyUSB0", true}},
                "/dev/ttyS1",
                "/dev/ttyS0"},
        MapCase{"NamedCom1FoundCom2", "COM1=/dev/pts/7\r\n", {{"/dev/ttyUSB0", true}}, "/dev/pts/7", "/dev/ttyUSB0"},
        MapCase{"NamedCom2FoundCom1",
                "COM2=/dev/ttyS0\r\n",
                {{"/dev/ttyS0", false}, {"/dev/ttyS1", false}},
                "/dev/ttyS1",
                "/dev/ttyS0"},
        MapCase{"NamedDeviceNotTakenTwice",
                "COM1=/dev/ttyUSB0\r\n",
                {{"/dev/ttyUSB0", true}, {"/dev/ttyUSB1", true}},
                "/dev/ttyUSB0",
                "/dev/ttyUSB1"},
        MapCase{"EmptyValueCountsAsUnnamed", "COM1=\r\n", {{"/dev/ttyACM0", true}}, "/dev/ttyACM0", ""}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(PortMapWithoutIni, OnlyFoundPorts) {
    const PortMap map({}, std::make_shared<FixedPorts>(std::vector<FoundPort>{{"/dev/ttyUSB3", true}}));
    EXPECT_EQ(map.DeviceFor("COM1"), "/dev/ttyUSB3");
    EXPECT_EQ(map.DeviceFor("COM2"), "");
}

TEST(PortOpenError, ReasonsTheUserCanActOn) {
    struct Row {
        QSerialPort::SerialPortError error;
        bool exists;
        bool accessible;
        PortFailure expected;
    };
    const Row rows[] = {
        {QSerialPort::NoError, true, true, PortFailure::None},
        {QSerialPort::DeviceNotFoundError, false, false, PortFailure::Absent},
        {QSerialPort::OpenError, false, false, PortFailure::Absent}, // unplugged in between
        {QSerialPort::PermissionError, true, false, PortFailure::NoPermission},
        {QSerialPort::PermissionError, true, true, PortFailure::Busy}, // EBUSY or another program's lock
        {QSerialPort::OpenError, true, true, PortFailure::Other},
        {QSerialPort::ResourceError, true, true, PortFailure::Other},
    };
    for (const Row& row : rows)
        EXPECT_EQ(ClassifyOpenError(row.error, row.exists, row.accessible), row.expected)
            << "error " << row.error << " exists " << row.exists << " accessible " << row.accessible;
}

TEST(PortOpenError, AMissingDeviceIsAbsent) {
    // The real backend on a device path that does not exist, through [PORTS].
    const std::string ini = testsupport::MakeTempDir() + "RERAVA.INI";
    testsupport::WriteFile(ini, "[PORTS]\r\nCOM1=/dev/faxdesk-no-such-port\r\n");
    QtSerialBackend backend{PortMap(ini, std::make_shared<FixedPorts>(std::vector<FoundPort>{}))};
    EXPECT_FALSE(backend.Open("COM1"));
    EXPECT_EQ(backend.LastOpen().device, "/dev/faxdesk-no-such-port");
    EXPECT_EQ(backend.LastOpen().failure, PortFailure::Absent);
    EXPECT_FALSE(backend.Open("COM2"));
    EXPECT_EQ(backend.LastOpen().device, "");
    EXPECT_EQ(backend.LastOpen().failure, PortFailure::Absent);
}

} // namespace
