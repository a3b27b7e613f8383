// SPDX-License-Identifier: MIT
// Live frames and zoom stills: packet counts and sequence numbers, and the
// packed samples decoded as the program decodes them give back the scene.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "LiveEncoding.h"
#include "Scene.h"
#include "SimTestSupport.h"

namespace lumarel::sim {
namespace {

using testing::Driver;
using testing::IsStatus;

std::vector<std::vector<std::uint8_t>> Stream(Driver& line, std::uint8_t command, std::size_t count) {
  std::vector<std::vector<std::uint8_t>> packets{line.One(command)};
  while (packets.size() < count) packets.push_back(line.One(CmdAck));
  return packets;
}

int Clamp(int v) { return std::clamp(v, 0, 255); }

// The program's decoding of one live line: samples to 168 widened pixels (R, G, B).
struct LiveDecoder {
  int evenColour[112] = {};
  int oddColour[112] = {};

  std::vector<int> Line(const std::vector<std::uint8_t>& packet, bool even) {
    int s[113][3];
    for (int i = 0; i < 112; ++i) {
      const int a = (packet[i] >> 4) * 16;
      const int c = static_cast<std::int8_t>((packet[i] & 0x0F) << 4);
      (even ? evenColour : oddColour)[i] = c;
      const int p = evenColour[i], q = oddColour[i];
      s[i][0] = Clamp(a + p), s[i][1] = Clamp(a - p / 2 - q / 5), s[i][2] = Clamp(a + q);
    }
    std::copy(s[111], s[111] + 3, s[112]);
    std::vector<int> out(168 * 3);
    for (int n = 0; n < 112; n += 2)
      for (int c = 0; c < 3; ++c) {
        out[(3 * n / 2) * 3 + c] = s[n][c];
        out[(3 * n / 2 + 1) * 3 + c] = (3 * s[n][c] + 7 * s[n + 1][c]) / 10;
        out[(3 * n / 2 + 2) * 3 + c] = (7 * s[n + 1][c] + 3 * s[n + 2][c]) / 10;
      }
    return out;
  }
};

TEST(SimCameraLive, FrameIsSixtyPacketsNumberedFromZero) {
  SimCamera camera({}, {});
  Driver line{camera};
  line.Connect();
  const auto packets = Stream(line, CmdLiveFrame, 60);
  for (std::size_t k = 0; k < 60; ++k) {
    ASSERT_EQ(packets[k].size(), kPacketSize);
    EXPECT_EQ(packets[k][0], 0x01);
    EXPECT_EQ(packets[k][1], k);
    EXPECT_EQ(packets[k][115], 0);
  }
  EXPECT_TRUE(line.Send(CmdAck).empty()) << "nothing after packet 59";
  EXPECT_EQ(line.One(CmdLiveFrame)[1], 0) << "the next frame on request";
}

TEST(SimCameraLive, DecodedFrameMatchesTheScene) {
  SimCamera camera({}, {});
  Driver line{camera};
  line.Connect();
  const auto packets = Stream(line, CmdLiveFrame, 60);
  const RgbImage scene = RenderScene(kLiveWidth, kLiveHeight, 1, 0, -1);
  LiveDecoder decoder;
  long error = 0, samples = 0;
  for (std::size_t k = 0; k < 60; ++k) {
    const std::vector<int> pixels = decoder.Line(packets[k], k % 2 == 0);
    if (k == 0) continue;  // its colour partner has not arrived yet
    for (int x = 0; x < kLiveWidth; ++x)
      for (int c = 0; c < 3; ++c, ++samples)
        error += std::abs(pixels[(x + 8) * 3 + c] - scene.Pixel(x, static_cast<int>(2 * k))[c]);
  }
  EXPECT_LT(static_cast<double>(error) / samples, 9.0);
}

TEST(SimCameraLive, StopAndCancelEndTheFrame) {
  SimCamera camera({}, {});
  Driver line{camera};
  line.Connect();
  for (std::uint8_t stop : {CmdLiveStop, CmdCancel}) {
    line.One(CmdLiveFrame);
    EXPECT_TRUE(line.Send(stop).empty());
    EXPECT_TRUE(line.Send(CmdAck).empty());
  }
}

TEST(SimCameraLive, BusyAnswersTheThirdFrameOfARun) {
  CameraSettings settings;
  settings.busyDuringLive = true;
  SimCamera camera(settings, {});
  Driver line{camera};
  line.Connect();
  Stream(line, CmdLiveFrame, 60);
  Stream(line, CmdLiveFrame, 60);
  EXPECT_TRUE(IsStatus(line.One(CmdLiveFrame), StatusBusy));
  line.Send(CmdLiveStop);
  EXPECT_EQ(line.One(CmdLiveFrame)[0], 0x01) << "a new run starts counting again";
}

TEST(SimCameraZoom, StillIs2160PacketsWithWrappingSequence) {
  SimCamera camera({}, {});
  Driver line{camera};
  line.Connect();
  line.Send(CmdLiveStop);
  const auto packets = Stream(line, CmdZoomCapture, 2160);
  for (std::size_t k = 0; k < 2160; ++k) ASSERT_EQ(packets[k][1], k % 256) << k;
  EXPECT_TRUE(line.Send(CmdAck).empty());
  EXPECT_TRUE(line.Send(CmdZoomStop).empty());

  const RgbImage scene = RenderScene(kZoomWidth, kZoomHeight, 1, 0, -1);
  long error = 0, samples = 0;
  for (std::size_t k = 0; k < 2160; ++k) {
    const int row = static_cast<int>(2 * (k / 9) + 1);
    for (int g = 0; g < 9; ++g) {
      const std::uint8_t* group = &packets[k][3 + 12 * g];
      for (int p = 0; p < 8; ++p) {
        const int x = 72 * static_cast<int>(k % 9) + 8 * g + p;
        if (x >= 640) continue;
        const int y = group[p];
        const int v = static_cast<std::int8_t>(group[8 + p / 4]);
        const int u = static_cast<std::int8_t>(group[10 + p / 4]);
        const int rgb[3] = {Clamp(y + v + 68 * v / 100), Clamp(y - 41 * u / 100 - 86 * v / 100),
                            Clamp(y + 2 * u + 13 * u / 100)};
        for (int c = 0; c < 3; ++c, ++samples) error += std::abs(rgb[c] - scene.Pixel(x, row)[c]);
      }
    }
  }
  EXPECT_LT(static_cast<double>(error) / samples, 2.0);
}

TEST(SimCameraZoom, NakResendsTheLastStillPacket) {
  SimCamera camera({}, {});
  Driver line{camera};
  line.Connect();
  line.One(CmdZoomCapture);
  const std::vector<std::uint8_t> second = line.One(CmdAck);
  EXPECT_EQ(line.One(CmdNak), second);
}

}  // namespace
}  // namespace lumarel::sim
