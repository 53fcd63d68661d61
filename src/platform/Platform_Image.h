// PNG files, read and written through libpng. Every PNG form (palette, grey, 16-bit,
// interlaced, with or without transparency) arrives as 8-bit 0xAARRGGBB pixels; files
// are written as 8-bit RGBA.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "support/Support_Image.h"

namespace vn {

// The largest picture any of our decoders accepts: 8192 × 8192 pixels, 256 MiB once
// decoded. No picture a game was made with comes near it, so a file declaring more is
// refused before anything is allocated or decoded.
constexpr uint64_t kMaxPicturePixels = uint64_t(1) << 26;

// Pictures above kMaxPicturePixels, or whose image data does not inflate to the size
// they declare, are refused before the pixels are allocated. On failure the image is
// untouched and error holds the reason.
bool decode_png(std::span<const uint8_t> file, RImage& image, std::string& error);
bool load_png(const std::filesystem::path& path, RImage& image, std::string& error);

// Empty for an empty image.
std::vector<uint8_t> encode_png(const RImage& image);
// Writes a temporary file beside the target and renames it over the target, so the
// target is either the old file or the complete new one.
bool save_png(const std::filesystem::path& path, const RImage& image, std::string& error);

}  // namespace vn
