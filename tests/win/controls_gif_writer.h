// Writes small GIF files for the control tests, byte by byte, so that every field the decoder
// reads (screen size, background index, frame rectangles, delays, disposal, transparency, the
// NETSCAPE2.0 loop block) is known exactly. The picture data uses LZW codes that never grow
// past three bits (a clear code every two pixels), which every decoder must accept.
#pragma once
#include <algorithm>
#include <array>
#include <cstdint>
#include <iterator>
#include <vector>

namespace qs::test {

struct GifFrameSpec {
  uint16_t left = 0, top = 0, width = 0, height = 0;
  std::vector<uint8_t> indices;  // width * height palette indices 0..3
  uint16_t delay_cs = 10;
  uint8_t disposal = 1;
  int transparent = -1;  // palette index shown as transparent, or -1
};

struct GifPlan {
  uint16_t width = 0, height = 0;
  std::array<uint32_t, 4> palette{0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};  // 0xRRGGBB
  uint8_t background_index = 0;
  bool loop = false;
  std::vector<GifFrameSpec> frames;
};

inline GifPlan Screen(uint16_t width, uint16_t height, bool loop = false, uint8_t background_index = 0) {
  GifPlan plan;
  plan.width = width;
  plan.height = height;
  plan.loop = loop;
  plan.background_index = background_index;
  return plan;
}

inline GifFrameSpec SolidFrame(uint16_t width, uint16_t height, uint8_t index, uint16_t delay_cs = 10) {
  GifFrameSpec frame;
  frame.width = width;
  frame.height = height;
  frame.indices.assign(size_t{width} * height, index);
  frame.delay_cs = delay_cs;
  return frame;
}

inline std::vector<uint8_t> WriteGif(const GifPlan& plan) {
  std::vector<uint8_t> out{'G', 'I', 'F', '8', '9', 'a'};
  auto u16 = [&out](uint16_t v) {
    out.push_back(static_cast<uint8_t>(v & 0xFF));
    out.push_back(static_cast<uint8_t>(v >> 8));
  };
  u16(plan.width);
  u16(plan.height);
  out.push_back(0x91);  // global colour table of 4 entries, 2 bits of colour resolution
  out.push_back(plan.background_index);
  out.push_back(0);
  for (uint32_t rgb : plan.palette) {
    out.push_back(static_cast<uint8_t>(rgb >> 16));
    out.push_back(static_cast<uint8_t>(rgb >> 8));
    out.push_back(static_cast<uint8_t>(rgb));
  }
  if (plan.loop) {
    const uint8_t app[] = {0x21, 0xFF, 0x0B, 'N', 'E', 'T', 'S', 'C', 'A', 'P',
                           'E',  '2',  '.',  '0', 3,   1,   0,   0,   0};
    out.insert(out.end(), std::begin(app), std::end(app));
  }
  for (const GifFrameSpec& f : plan.frames) {
    out.insert(out.end(), {0x21, 0xF9, 0x04});
    out.push_back(static_cast<uint8_t>((f.disposal << 2) | (f.transparent >= 0 ? 1 : 0)));
    u16(f.delay_cs);
    out.push_back(static_cast<uint8_t>(f.transparent >= 0 ? f.transparent : 0));
    out.push_back(0);
    out.push_back(0x2C);
    u16(f.left);
    u16(f.top);
    u16(f.width);
    u16(f.height);
    out.push_back(0);  // no local colour table, not interlaced
    out.push_back(2);  // LZW minimum code size
    std::vector<uint8_t> data;
    uint32_t bits = 0, nbits = 0;
    auto code = [&](uint32_t c) {
      bits |= c << nbits;
      nbits += 3;
      while (nbits >= 8) {
        data.push_back(static_cast<uint8_t>(bits & 0xFF));
        bits >>= 8;
        nbits -= 8;
      }
    };
    for (size_t i = 0; i < f.indices.size(); ++i) {
      if (i % 2 == 0) code(4);  // clear
      code(f.indices[i]);
    }
    code(5);  // end of information
    if (nbits) data.push_back(static_cast<uint8_t>(bits));
    for (size_t at = 0; at < data.size(); at += 255) {
      const size_t n = std::min<size_t>(255, data.size() - at);
      out.push_back(static_cast<uint8_t>(n));
      out.insert(out.end(), data.begin() + at, data.begin() + at + n);
    }
    out.push_back(0);
  }
  out.push_back(0x3B);
  return out;
}

}  // namespace qs::test
