#include "platform/serial/PortMap.h"

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

}  // namespace
}  // namespace lumarel
