// libFuzzer target for skin image decoding: the program's own stb_image
// configuration (PNG, JPEG, BMP, TGA from memory, sides bounded as the skin
// loader bounds them) driven the
// way the skin loader drives it: the header first, then the decode to RGBA.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "dui/core/jpeg_huffman.h"
#include "dui/core/png_chunks.h"
#include "dui/core/stb_image_config.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0 || size > (16u << 20)) return 0;
  std::vector<uint8_t> bytes(data, data + size);
  if (!dui::pngChunksFit(bytes.data(), bytes.size())) return 0;   // refused before decoding, as the loader does
  if (!dui::jpegHuffmanTablesFit(bytes.data(), bytes.size())) return 0;
  int w = 0, h = 0, channels = 0;
  if (!stbi_info_from_memory(bytes.data(), int(bytes.size()), &w, &h, &channels)) return 0;
  if (w <= 0 || h <= 0 || w > STBI_MAX_DIMENSIONS || h > STBI_MAX_DIMENSIONS) return 0;
  // Large pictures are valid but only measure the allocator and slow the
  // run: every decoder path (filters, interlace passes, progressive scans,
  // block sizes, palettes) already shows in 256 x 256.
  if (size_t(w) * size_t(h) > (1u << 16)) return 0;
  if (stbi_is_16_bit_from_memory(bytes.data(), int(bytes.size()))) return 0;
  int dw = 0, dh = 0;
  uint8_t* rgba = stbi_load_from_memory(bytes.data(), int(bytes.size()), &dw, &dh, &channels, 4);
  if (!rgba) return 0;
  if (dw != w || dh != h) {
    std::fprintf(stderr, "header said %d x %d, decoder gave %d x %d\n", w, h, dw, dh);
    std::abort();
  }
  // Touch every pixel: a short buffer shows up under AddressSanitizer.
  unsigned sum = 0;
  for (size_t i = 0; i < size_t(dw) * size_t(dh) * 4; ++i) sum += rgba[i];
  stbi_image_free(rgba);
  return int(sum & 0);
}
