#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kavro {

// Pictures of the disc dialog. Records store a Windows bitmap, so whatever the person picks is
// kept as BMP file bytes.

// The longest side of a picture as stored; a larger one is scaled down to it, keeping its shape.
inline constexpr int MaxStoredPictureSide = 1200;

// A chosen picture file's bytes as BMP: a file beginning "BM" loads as a bitmap, anything else
// as JPEG (decoded with libjpeg). nullopt when it does not load; the shown picture then stays.
// A picture with a side over MaxStoredPictureSide is scaled down first.
std::optional<std::string> PictureFileAsBitmap(std::string_view bytes);

// A record's stored Pic stream (bitmap, TIFF or JPEG) as BMP bytes to show; empty when there is
// none or it does not decode.
std::string StoredPictureAsBitmap(std::string_view stream);

} // namespace kavro
