// Whole-file reads and writes of the build-time tools.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <vector>

namespace kavri::tools {

// Reads the whole file into `out`. False when it cannot be opened or read, or
// is larger than one read can take (2 GB where streamsize is 32 bits).
bool readWholeFile(const std::filesystem::path& path, std::vector<uint8_t>& out);

// Writes beside the target and renames over it, so a failed write never leaves
// a truncated file behind. False when the file could not be written.
bool writeWholeFile(const std::filesystem::path& path, const void* data, size_t size);

}  // namespace kavri::tools
