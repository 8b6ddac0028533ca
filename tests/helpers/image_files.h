// Tiny image writers for tests: PNG (stored, uncompressed deflate), BMP and TGA
// built from pixel arrays, so tests describe their pictures in code instead of
// shipping binaries.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace kavri::test {

struct Rgba {
  uint8_t r, g, b, a;
};

namespace detail {

inline void putBe32(std::vector<uint8_t>& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(uint8_t(v >> shift));
}
inline void putLe16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(uint8_t(v));
  out.push_back(uint8_t(v >> 8));
}
inline void putLe32(std::vector<uint8_t>& out, uint32_t v) {
  putLe16(out, v);
  putLe16(out, v >> 16);
}

inline uint32_t crc32(const uint8_t* data, size_t size) {
  uint32_t crc = 0xFFFFFFFFu;
  for (size_t i = 0; i < size; ++i) {
    crc ^= data[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return crc ^ 0xFFFFFFFFu;
}

inline void putChunk(std::vector<uint8_t>& png, const char* type, const std::vector<uint8_t>& data) {
  putBe32(png, uint32_t(data.size()));
  std::vector<uint8_t> body(type, type + 4);
  body.insert(body.end(), data.begin(), data.end());
  png.insert(png.end(), body.begin(), body.end());
  putBe32(png, crc32(body.data(), body.size()));
}

// zlib stream of stored (uncompressed) deflate blocks.
inline std::vector<uint8_t> zlibStored(const std::vector<uint8_t>& raw) {
  std::vector<uint8_t> out{0x78, 0x01};
  size_t pos = 0;
  do {
    const size_t n = std::min<size_t>(raw.size() - pos, 65535);
    const bool last = pos + n == raw.size();
    out.push_back(last ? 1 : 0);
    putLe16(out, uint32_t(n));
    putLe16(out, uint32_t(~n & 0xFFFF));
    out.insert(out.end(), raw.begin() + pos, raw.begin() + pos + n);
    pos += n;
  } while (pos < raw.size());
  uint32_t a = 1, b = 0;
  for (uint8_t byte : raw) {
    a = (a + byte) % 65521;
    b = (b + a) % 65521;
  }
  putBe32(out, (b << 16) | a);
  return out;
}

}  // namespace detail

// A PNG from raw scanlines (without filter bytes): colourType 6 RGBA, 2 RGB;
// bitDepth 8 or 16. Width and height go into the header as given, so a test
// can claim any size.
inline std::vector<uint8_t> pngFromRows(uint32_t width, uint32_t height, const std::vector<uint8_t>& rows,
                                        uint8_t colourType = 6, uint8_t bitDepth = 8) {
  std::vector<uint8_t> png{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  std::vector<uint8_t> header;
  detail::putBe32(header, width);
  detail::putBe32(header, height);
  header.insert(header.end(), {bitDepth, colourType, 0, 0, 0});
  detail::putChunk(png, "IHDR", header);
  const size_t channels = colourType == 6 ? 4 : 3;
  const size_t stride = width * channels * (bitDepth / 8);
  std::vector<uint8_t> filtered;
  for (size_t y = 0; stride && y < height && (y + 1) * stride <= rows.size(); ++y) {
    filtered.push_back(0);   // filter: none
    filtered.insert(filtered.end(), rows.begin() + y * stride, rows.begin() + (y + 1) * stride);
  }
  detail::putChunk(png, "IDAT", detail::zlibStored(filtered));
  detail::putChunk(png, "IEND", {});
  return png;
}

// An 8-bit RGBA PNG (pixels row by row, top first).
inline std::vector<uint8_t> encodePng(int width, int height, const std::vector<Rgba>& pixels) {
  std::vector<uint8_t> rows;
  for (const Rgba& p : pixels) rows.insert(rows.end(), {p.r, p.g, p.b, p.a});
  return pngFromRows(uint32_t(width), uint32_t(height), rows);
}

// A 24-bit bottom-up BMP (alpha dropped).
inline std::vector<uint8_t> encodeBmp(int width, int height, const std::vector<Rgba>& pixels) {
  const uint32_t stride = (uint32_t(width) * 3 + 3) & ~3u;
  std::vector<uint8_t> bmp{'B', 'M'};
  detail::putLe32(bmp, 54 + stride * height);
  detail::putLe32(bmp, 0);
  detail::putLe32(bmp, 54);
  detail::putLe32(bmp, 40);
  detail::putLe32(bmp, uint32_t(width));
  detail::putLe32(bmp, uint32_t(height));
  detail::putLe16(bmp, 1);
  detail::putLe16(bmp, 24);
  for (int i = 0; i < 6; ++i) detail::putLe32(bmp, 0);
  for (int y = height - 1; y >= 0; --y) {
    for (int x = 0; x < width; ++x) {
      const Rgba& p = pixels[size_t(y) * width + x];
      bmp.insert(bmp.end(), {p.b, p.g, p.r});
    }
    for (uint32_t pad = uint32_t(width) * 3; pad < stride; ++pad) bmp.push_back(0);
  }
  return bmp;
}

// An uncompressed 32-bit top-down TGA.
inline std::vector<uint8_t> encodeTga(int width, int height, const std::vector<Rgba>& pixels) {
  std::vector<uint8_t> tga{0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  detail::putLe16(tga, uint32_t(width));
  detail::putLe16(tga, uint32_t(height));
  tga.push_back(32);
  tga.push_back(0x28);   // 8 alpha bits, top-left origin
  for (const Rgba& p : pixels) tga.insert(tga.end(), {p.b, p.g, p.r, p.a});
  return tga;
}

}  // namespace kavri::test
