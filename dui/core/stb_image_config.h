// The one configuration of stb_image used by the program. Skins need PNG, JPEG,
// BMP and TGA only; the other decoders of the packaged stb_image (GIF, HDR,
// PNM, PSD, PIC) carry known faults and are not compiled in. Images come from
// memory only (no stdio) and no side may exceed kMaxImageSide pixels
// (image_decoder.h).
#pragma once

#define STBI_NO_STDIO
#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
#define STBI_ONLY_BMP
#define STBI_ONLY_TGA
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STBI_MAX_DIMENSIONS 16384

#include <stb_image.h>
