// The stb_image decoder, compiled once with the program's configuration.
#define STB_IMAGE_IMPLEMENTATION
#include "stb_image_config.h"
