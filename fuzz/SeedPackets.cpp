// SPDX-License-Identifier: MIT
// Seeds for the live and zoom decoders and for the link dispatch, written in
// the byte layout those targets read with FuzzInput.
#include "Seeds.h"

namespace lumarel::fuzz {

namespace {

// Writes the values FuzzInput reads, in the same order and widths.
class Script {
 public:
  Script& Byte(int v) {
    bytes_.push_back(static_cast<std::uint8_t>(v));
    return *this;
  }
  Script& U16(int v) { return Byte(v >> 8).Byte(v); }
  Script& U32(std::uint32_t v) { return U16(static_cast<int>(v >> 16)).U16(static_cast<int>(v & 0xFFFF)); }
  Script& Fill(std::size_t n, int v) {
    bytes_.insert(bytes_.end(), n, static_cast<std::uint8_t>(v));
    return *this;
  }
  Script& Pattern(std::size_t n, int seed) {
    for (std::size_t i = 0; i < n; ++i) Byte(static_cast<int>(i * 11 + seed));
    return *this;
  }
  Bytes Done() const { return bytes_; }

  // --- fuzz_link_dispatch steps ---
  Script& Status(int code, bool trailer = false) { return Byte(0).U16(1).Byte(code).Byte(trailer); }
  // A good data packet for the index/live/zoom counter (or the picture counter).
  Script& Data(bool indexCounter, int fill) {
    return Byte(0).U16(2).U16(1).Byte(indexCounter).Fill(112, fill);
  }
  Script& Header(std::uint32_t size, bool end = false) {
    Byte(0).U16(4).Byte(0x01).Byte(1).U32(size).U16(640).U16(480).U16(end ? 0 : 1);
    return U16(160).U16(120).U16(10).U16(20).Byte(101).Byte(6).Byte(15).Byte(9).Byte(5).U16(3);
  }
  Script& Reply(int byte) { return Byte(0).U16(5).Byte(0).Byte(byte); }
  Script& Raw(int fill) { return Byte(0).U16(0).Fill(116, fill); }
  Script& Timer(int op) { return Byte(op).U16(0); }

 private:
  Bytes bytes_;
};

// Begin: IndexStarted with a 931 camera of `pictures` pictures.
Script IndexStarted(int pictures) {
  Script s;
  return s.U16(3).U16(0).Byte(0).U32(409600).U16(pictures);
}
// Begin: a connected link whose list holds `count` pictures.
Script ListOf(int count) {
  Script s;
  return s.U16(4).U16(count - 1);
}

}  // namespace

Corpus LiveZoomSeeds() {
  Corpus c;
  Script live;
  live.Byte(0).U16(0).U16(0).U16(160).U16(120).Byte(1);
  for (int i = 0; i < 60; ++i) live.Byte(0).Pattern(116, i);
  c["live-frame"] = live.Done();
  Script liveShort;
  liveShort.Byte(0).U16(30).U16(6).U16(160).U16(0xFF00).Byte(1);
  for (int i = 0; i < 8; ++i) liveShort.Byte(i == 4 ? 0xF0 : 0).Pattern(i == 7 ? 50 : 116, i);
  c["live-short-block"] = liveShort.Done();
  Script zoom;
  zoom.Byte(1).U16(0).U16(0).U16(640).U16(480).Byte(1);
  for (int i = 0; i < 27; ++i) zoom.Byte(0).Pattern(116, i);
  zoom.Byte(0xF0).U16(2150 + 20).Pattern(116, 3);
  for (int i = 0; i < 10; ++i) zoom.Byte(0).Pattern(116, i);
  c["zoom-lines"] = zoom.Done();
  Script zoomOdd;
  zoomOdd.Byte(1).U16(500).U16(6).U16(700).U16(2).Byte(0).Byte(8);
  for (int i = 0; i < 18; ++i) zoomOdd.Byte(0).Pattern(111, i);
  c["zoom-odd-header"] = zoomOdd.Done();
  return c;
}

Corpus LinkSeeds() {
  Corpus c;
  {  // set-up: identification, speed answers, camera ready
    Script s;
    s.U16(0);
    s.Byte(0).U16(0).Byte(0x10).Fill(3, 0).Byte('9').Byte('3').Byte('1').Fill(107, 0).Byte(0x72).Byte(0);
    s.Status(0x80, true).Timer(160).Status(0x80, true).Status(0xA0, true).Status(0xA2, true);
    c["setup"] = s.Done();
  }
  {  // index: two entries, then the end marker
    Script s = IndexStarted(2);
    for (int e = 0; e < 2; ++e) {
      s.Header(300);
      for (int k = 0; k < 3; ++k) s.Data(true, 0x20 + k);
    }
    s.Header(0, true);
    c["index"] = s.Done();
  }
  {  // download of picture 2
    Script s = ListOf(4);
    s.Byte(196).U16(2 + 1);
    s.Status(0x80).Status(0x80).Status(0x80).Header(500);
    for (int k = 0; k < 5; ++k) s.Data(false, k);
    c["download"] = s.Done();
  }
  {  // upload: header, picture and preview packets, done
    Script s = ListOf(3);
    s.Byte(200).U16(3).Byte(0x55).U16(3).Byte(0x66).Byte(1).Byte(1).U16(640).U16(480);
    s.Reply(0xE4);
    for (int k = 0; k < 46; ++k) s.Reply(0x06);
    s.Reply(0x15).Reply(0xE5).Reply(0x06).Reply(0x06).Reply(0xE6);
    c["upload"] = s.Done();
    Script full = ListOf(3);
    full.Byte(200).U16(4).Byte(1).U16(3).Byte(2).Byte(1).Byte(0).U16(640).U16(480);
    full.Reply(0xE4).Reply(0x06).Reply(0xE7).Reply(0x00);
    c["upload-memory-full"] = full.Done();
  }
  {  // live frame and zoom still
    Script s = ListOf(2);
    s.Byte(204).U16(0).Byte(1).Byte(1).Byte(204).U16(2);
    for (int k = 0; k < 12; ++k) s.Data(true, 0x31 * k);
    s.Raw(0x01).Byte(176).U16(2).Byte(204).U16(1).Byte(1).Byte(1);
    for (int k = 0; k < 12; ++k) s.Data(true, 0x17 * k);
    c["live"] = s.Done();
  }
  {  // delete page and delete done
    Script s = ListOf(5);
    s.Byte(212).U16(0).Status(0x80).Status(0x80).Status(0x80).Status(0x80).Status(0x89);
    c["delete"] = s.Done();
  }
  {  // wrong markers, sequence numbers and sizes in every kind
    Script s = ListOf(3);
    for (int kind = 0; kind < 5; ++kind) {
      s.Byte(180).U16(kind);
      s.Header(0xFFFFFFF0u).Data(true, 1).Data(false, 2).Raw(0x01).Raw(0x10).Reply(0xE6);
      s.Byte(0).U16(3).U16(0).U16(7).Fill(112, 9);  // a good packet with counter 7
    }
    c["bad-packets"] = s.Done();
  }
  return c;
}

}  // namespace lumarel::fuzz
