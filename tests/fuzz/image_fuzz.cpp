// libFuzzer target for skin image decoding: the decoder the skin loader calls
// (dui/core/image_decoder: the checks made before decoding, then the
// program's own stb_image configuration), then premultiplying its pixels the
// way the loader fills a bitmap.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "dui/core/image_decoder.h"
#include "dui/core/jpeg_huffman.h"
#include "dui/core/png_chunks.h"
#include "dui/core/stb_image_config.h"

namespace {

// Large pictures are valid but only measure the allocator and slow the run:
// every decoder path (filters, interlace passes, progressive scans, block
// sizes, palettes) already shows in 256 x 256. The header is read only after
// the checks the decoder itself makes first, as reading it runs the same
// table code.
bool tooLargeToBother(const std::vector<uint8_t>& bytes) {
  const size_t skip = bytes[0] == 0x01 ? 1 : 0;
  const uint8_t* body = bytes.data() + skip;
  const size_t size = bytes.size() - skip;
  if (size == 0 || !dui::pngChunksFit(body, size) || !dui::jpegHuffmanTablesFit(body, size)) return false;
  int w = 0, h = 0, channels = 0;
  if (!stbi_info_from_memory(body, int(size), &w, &h, &channels)) return false;
  return w > 0 && h > 0 && size_t(w) * size_t(h) > (1u << 16);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0 || size > (16u << 20)) return 0;
  std::vector<uint8_t> bytes(data, data + size);   // exact size: a read past it shows
  if (tooLargeToBother(bytes)) return 0;
  dui::DecodedImage image;
  std::string why;
  if (!dui::decodeImage(bytes.data(), bytes.size(), image, why)) {
    if (image.rgba || why.empty()) {
      std::fprintf(stderr, "a refused image must hold no pixels and say why\n");
      std::abort();
    }
    return 0;
  }
  if (image.width <= 0 || image.height <= 0 || image.width > dui::kMaxImageSide || image.height > dui::kMaxImageSide) {
    std::fprintf(stderr, "decoded %d x %d\n", image.width, image.height);
    std::abort();
  }
  // Every pixel is read: a short buffer shows up under AddressSanitizer.
  std::vector<uint32_t> words(size_t(image.width) * size_t(image.height));
  dui::premultiplyPixels(image.rgba.get(), words.size(), words.data());
  return 0;
}
