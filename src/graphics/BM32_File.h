// Picture files: reading any format we decode, writing PNG or Windows bitmaps.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "graphics/BM32_Class.h"

namespace vn {

// The leading number of exported sprite and background files.
constexpr int32_t kExportedFileMagic = 1234321;

// The format is told by the first bytes (PNG, JPEG, GIF, BMP), never by the name. The
// picture is laid over a canvas of its size whose colour (0xFFFFFE as a script colour)
// shows through fully transparent pixels; a picture without any alpha (every alpha 0)
// is made opaque instead. A GIF gives its first frame at its place on an opaque canvas
// of the GIF's size in that colour.
// On failure the image is untouched and error holds the reason.
bool decode_image_file(std::span<const uint8_t> bytes, TBitmap32& image, std::string& error);
bool load_image_file(const std::filesystem::path& path, TBitmap32& image,
                     std::string* error = nullptr);

// The frames of an animated GIF as a sprite takes them: a canvas of the GIF's size (at
// least 1 × 1) filled with the opaque colour 32832 (as a script colour); each frame is
// drawn onto it at its place, its transparent pixels letting the canvas show, and the
// canvas is copied out as one picture; after the copy the canvas is filled again unless
// the frame's disposal is "none".
bool decode_gif_frames(std::span<const uint8_t> bytes, std::vector<TBitmap32>& frames,
                       std::string& error);

// A name ending in ".png" (any case) is written as PNG with alpha, any other as a
// 32-bit Windows bitmap. The file is replaced whole or not at all.
bool save_image_file(const std::filesystem::path& path, const TBitmap32& image, std::string& error);

// Always PNG, whatever the name.
bool save_png_file(const std::filesystem::path& path, const TBitmap32& image, std::string& error);

}  // namespace vn
