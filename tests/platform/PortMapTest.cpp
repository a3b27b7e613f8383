// SPDX-License-Identifier: MIT
#include "platform/serial/PortMap.h"
#include "platform/serial/PortHolders.h"
#include "platform/serial/PosixSerialPort.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "FakeSerialPort.h"
#include "TempDir.h"

namespace lumarel {
namespace {

using testing::TempDir;
namespace fs = std::filesystem;

struct PortRow {
  std::uint16_t id;
  const char* name;
  int number;
  std::uint16_t next;
};

class PortIdTest : public ::testing::TestWithParam<PortRow> {};

TEST_P(PortIdTest, IdNameNumberAndScanOrder) {
  const PortRow& row = GetParam();
  EXPECT_STREQ(PortName(row.id), row.name);
  EXPECT_EQ(PortNumber(row.id), row.number);
  EXPECT_EQ(PortIdForNumber(row.number), row.id);
  EXPECT_EQ(NextPortId(row.id), row.next);
  EXPECT_EQ(PortIdFromName(row.name), row.id);
}

INSTANTIATE_TEST_SUITE_P(ComPorts, PortIdTest,
                         ::testing::Values(PortRow{1001, "COM1", 1, 1002},
                                           PortRow{1002, "COM2", 2, 1042},
                                           PortRow{1042, "COM3", 3, 1043},
                                           PortRow{1043, "COM4", 4, 0}));

TEST(PortIdTest, UnknownIdsAndNames) {
  EXPECT_EQ(PortName(1003), nullptr);
  EXPECT_EQ(PortNumber(0), 0);
  EXPECT_EQ(NextPortId(1041), 0);
  EXPECT_EQ(PortIdForNumber(5), 0);
  EXPECT_EQ(PortIdFromName("com3"), kPortCom3);
  EXPECT_EQ(PortIdFromName("COM5"), 0);
  EXPECT_EQ(PortIdFromName("COM"), 0);
}

// A fake /dev with the given device nodes (plain files do for discovery).
struct FakeDev {
  TempDir dir;
  explicit FakeDev(std::initializer_list<const char*> nodes) {
    for (const char* n : nodes) dir.Write(n, "");
  }
  void StableName(const std::string& link, const std::string& device) {
    fs::create_directories(dir.File("serial/by-id"));
    fs::create_symlink("../../" + device, dir.File("serial/by-id/" + link));
  }
  std::string operator()(const std::string& name) const { return dir.File(name); }
};

TEST(DiscoverTest, UsbAdaptersFirstInNumericOrderThenUarts) {
  FakeDev dev({"ttyS1", "ttyS0", "ttyUSB10", "ttyUSB2", "ttyACM0", "ttyS7", "ttyUSBx", "tty0"});
  EXPECT_EQ(DiscoverSerialDevices(dev.dir.Path()),
            (std::vector<std::string>{dev("ttyUSB2"), dev("ttyUSB10"), dev("ttyACM0"),
                                      dev("ttyS0"), dev("ttyS1")}));
}

TEST(DiscoverTest, StableNameReplacesItsDeviceNode) {
  FakeDev dev({"ttyUSB0", "ttyUSB1", "ttyS0"});
  dev.StableName("usb-FTDI_FT232R-if00-port0", "ttyUSB1");
  EXPECT_EQ(DiscoverSerialDevices(dev.dir.Path()),
            (std::vector<std::string>{dev("ttyUSB0"),
                                      dev("serial/by-id/usb-FTDI_FT232R-if00-port0"),
                                      dev("ttyS0")}));
}

TEST(PortMapTest, DefaultsFillComPortsInDiscoveryOrder) {
  FakeDev dev({"ttyS0", "ttyS1", "ttyS2", "ttyS3", "ttyUSB0"});
  PortMap map = PortMap::Load(dev.dir.File("zelcam.ini"), dev.dir.Path());
  EXPECT_EQ(map.DevicePath(kPortCom1), dev("ttyUSB0"));
  EXPECT_EQ(map.DevicePath(kPortCom2), dev("ttyS0"));
  EXPECT_EQ(map.DevicePath(kPortCom3), dev("ttyS1"));
  EXPECT_EQ(map.DevicePath(kPortCom4), dev("ttyS2"));
}

TEST(PortMapTest, FewerDevicesLeaveLaterPortsEmpty) {
  FakeDev dev({"ttyS0"});
  PortMap map = PortMap::FromDevices(dev.dir.Path());
  EXPECT_EQ(map.DevicePath(kPortCom1), dev("ttyS0"));
  EXPECT_EQ(map.DevicePath(kPortCom2), "");
  EXPECT_EQ(map.DevicePath(999), "");
}

TEST(PortMapTest, PortsSectionOverridesDiscovery) {
  FakeDev dev({"ttyS0", "ttyUSB0"});
  std::string ini = dev.dir.Write("zelcam.ini",
                                  "[Mode]\nFILEPREV=0\n[ports]\ncom2 = /tmp/sim-pty\nCOM3=\n");
  PortMap map = PortMap::Load(ini, dev.dir.Path());
  EXPECT_EQ(map.DevicePath(kPortCom1), "");
  EXPECT_EQ(map.DevicePath(kPortCom2), "/tmp/sim-pty");
  EXPECT_EQ(map.DevicePath(kPortCom3), "");
  EXPECT_EQ(map.DevicePath(kPortCom4), "");
}

TEST(PortOpenLogTest, OpenRecordsFailureAndSuccessClearsIt) {
  testing::FakeSerialPortOpener opener;
  opener.Refuse("/dev/ttyS0", PortOpenError::Busy);
  PortMap map;
  map.SetDevicePath(kPortCom1, "/dev/ttyS0");
  map.SetDevicePath(kPortCom2, "/dev/ttyUSB0");
  PortOpenLog log;

  EXPECT_EQ(OpenMappedPort(opener, map, kPortCom1, log), nullptr);
  EXPECT_NE(OpenMappedPort(opener, map, kPortCom2, log), nullptr);
  EXPECT_EQ(OpenMappedPort(opener, map, kPortCom3, log), nullptr);
  EXPECT_EQ(opener.Attempts(), (std::vector<std::string>{"/dev/ttyS0", "/dev/ttyUSB0"}));

  auto com1 = log.LastFailure(kPortCom1);
  ASSERT_TRUE(com1);
  EXPECT_EQ(com1->error, PortOpenError::Busy);
  EXPECT_FALSE(log.LastFailure(kPortCom2));
  std::ostringstream out;
  PrintPortFailures(log, out);
  EXPECT_EQ(out.str(),
            "COM1 (/dev/ttyS0): in use by another program\n"
            "COM3 (none): no device assigned\n");

  opener.Refuse("/dev/ttyUSB0", PortOpenError::NoSuchDevice);  // adapter unplugged
  EXPECT_EQ(OpenMappedPort(opener, map, kPortCom2, log), nullptr);
  EXPECT_EQ(FormatPortFailure(*log.LastFailure(kPortCom2)), "COM2 (/dev/ttyUSB0): no such device");
  log.RecordSuccess(kPortCom1);
  EXPECT_EQ(log.Failures().size(), 2u);
  log.Clear();
  EXPECT_TRUE(log.Failures().empty());
}

TEST(PortOpenLogTest, SlowAdapterIsReportedWithTheFixAndAFastOneIsNot) {
  testing::FakeSerialPortOpener opener;
  auto slow = std::make_shared<testing::FakeSerialPort>();
  slow->SetAdapterLatency({true, false, 16, "/sys/class/tty/ttyUSB0/device/latency_timer"});
  opener.Prepare("/dev/ttyUSB0", slow);
  auto fast = std::make_shared<testing::FakeSerialPort>();
  fast->SetAdapterLatency({true, true, 1, "/sys/class/tty/ttyUSB1/device/latency_timer"});
  opener.Prepare("/dev/ttyUSB1", fast);
  PortMap map;
  map.SetDevicePath(kPortCom1, "/dev/ttyUSB0");
  map.SetDevicePath(kPortCom2, "/dev/ttyUSB1");
  PortOpenLog log;

  ASSERT_NE(OpenMappedPort(opener, map, kPortCom1, log), nullptr);
  ASSERT_NE(OpenMappedPort(opener, map, kPortCom2, log), nullptr);
  EXPECT_EQ(slow->LowLatencyRequests(), 1);
  EXPECT_EQ(fast->LowLatencyRequests(), 1);
  const std::vector<std::string> warnings = log.LatencyWarnings();
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_NE(warnings[0].find("/dev/ttyUSB0"), std::string::npos) << warnings[0];
  EXPECT_NE(warnings[0].find("16 ms"), std::string::npos) << warnings[0];
  EXPECT_NE(warnings[0].find("60-lumarel-usb-serial.rules"), std::string::npos) << warnings[0];
  EXPECT_NE(warnings[0].find("echo 1 | sudo tee /sys/class/tty/ttyUSB0/device/latency_timer"),
            std::string::npos) << warnings[0];
  EXPECT_FALSE(NeedsLatencyFix({false, false, -1, ""}));  // a plain serial port
  EXPECT_FALSE(NeedsLatencyFix({true, false, 2, "x"}));
  log.RecordSuccess(kPortCom1);
  EXPECT_TRUE(log.LatencyWarnings().empty());
}

TEST(PortFailureDetailTest, PermissionNamesTheGroupAndBusyNamesTheHolder) {
  TempDir dir;
  const std::string device = dir.Write("dev/ttyUSB0", "");
  dir.Write("proc/812/comm", "ModemManager\n");
  dir.Write("proc/900/comm", "bash\n");
  std::filesystem::create_directories(dir.File("proc/812/fd"));
  std::filesystem::create_directories(dir.File("proc/900/fd"));
  std::filesystem::create_symlink(device, dir.File("proc/812/fd/7"));
  std::filesystem::create_symlink("/dev/null", dir.File("proc/900/fd/0"));

  const std::vector<PortHolder> holders = FindPortHolders(device, dir.File("proc"));
  ASSERT_EQ(holders.size(), 1u);
  EXPECT_EQ(holders[0].pid, 812);
  EXPECT_EQ(PortFailureDetail(device, PortOpenError::Busy, dir.File("proc")),
            "held by ModemManager (process 812)");
  EXPECT_NE(PortFailureDetail(device, PortOpenError::PermissionDenied).find("usermod -aG "),
            std::string::npos);
  EXPECT_EQ(PortFailureDetail(device, PortOpenError::NoSuchDevice), "");

  PortOpenLog log;
  log.RecordFailure(kPortCom1, "/dev/ttyUSB0", PortOpenError::PermissionDenied,
                    "only members of the group dialout may use it");
  EXPECT_EQ(FormatPortFailure(*log.LastFailure(kPortCom1)),
            "COM1 (/dev/ttyUSB0): permission denied (only members of the group dialout may use it)");
}

TEST(LatencyTimerTest, AdapterTimerIsFoundThroughSysfs) {
  TempDir dir;
  const std::string device = dir.Write("dev/ttyUSB0", "");
  dir.Write("dev/by-id/adapter", "");
  std::filesystem::remove(dir.File("dev/by-id/adapter"));
  std::filesystem::create_symlink(device, dir.File("dev/by-id/adapter"));
  const std::string timer = dir.Write("sys/class/tty/ttyUSB0/device/latency_timer", "16\n");
  EXPECT_EQ(LatencyTimerFile(device, dir.File("sys")), timer);
  EXPECT_EQ(LatencyTimerFile(dir.File("dev/by-id/adapter"), dir.File("sys")), timer);
  EXPECT_EQ(ReadLatencyTimer(timer), 16);
  EXPECT_EQ(LatencyTimerFile(dir.File("dev/ttyS0"), dir.File("sys")), "");
  EXPECT_EQ(ReadLatencyTimer(dir.File("absent")), -1);
}

}  // namespace
}  // namespace lumarel
