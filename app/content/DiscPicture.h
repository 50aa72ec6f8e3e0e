#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kavro {

// A decoded picture: rows top to bottom, three bytes (red, green, blue) a pixel.
struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;

    bool isNull() const { return width <= 0 || height <= 0; }
};

// How a stored picture stream is read, by its first bytes.
enum class PictureFormat {
    None,   // no data, or data that does not decode
    Bitmap, // "BM"
    Tiff,   // "II*", a little-endian TIFF
    Jpeg,   // anything else
};

PictureFormat ClassifyPicture(std::string_view stream);

struct JpegLimits {
    // A header may declare up to 65535 x 65535 pixels; larger than this is refused before
    // anything is allocated.
    int maxWidth = 8192;
    int maxHeight = 8192;
    // Progressive streams can repeat scans without end; more than this is not a real picture.
    int maxScans = 1000;
    // Every 8 x 8 block of a real stream takes at least one bit, so a stream holds at most 512
    // pixels a byte; a header that claims far more (a broken file of 10 KB claiming 8000 x 8000)
    // is refused instead of being decoded into a huge grey picture.
    int maxPixelsPerByte = 1024;
};

struct JpegResult {
    std::optional<RgbImage> image;
    int warnings = 0;  // corrupt-data warnings; a truncated stream decodes with its rest grey
    std::string error; // why there is no image
};

// Decodes a JPEG stream (grey, YCbCr and CMYK) with libjpeg. Bad data never ends the program:
// it gives no image and the library's own message.
JpegResult DecodeJpeg(std::string_view stream, const JpegLimits& limits = {});

// A record's Pic stream as the picture tab shows it. Bitmaps and TIFFs are handed on as their
// bytes for the widget layer's image readers; JPEG is decoded here.
struct DiscPicture {
    PictureFormat format = PictureFormat::None;
    std::string stream; // Bitmap and Tiff: the bytes as stored
    RgbImage image;     // Jpeg: the decoded picture

    bool isEmpty() const { return format == PictureFormat::None; }
};

// An empty stream, or one that is neither a bitmap nor a decodable JPEG, gives an empty picture.
DiscPicture LoadDiscPicture(std::string_view picStream, const JpegLimits& limits = {});

} // namespace kavro
