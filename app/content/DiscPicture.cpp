#include "content/DiscPicture.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <memory>

#include <jpeglib.h>

namespace kavro {

namespace {

// Everything the decoder touches lives on the heap: after a longjmp back into DecodeJpeg the
// locals changed since setjmp are not to be trusted, while this object is.
struct JpegState {
    jpeg_decompress_struct info{};
    jpeg_error_mgr errors{};
    jpeg_progress_mgr progress{};
    std::jmp_buf jump{};
    int maxScans = 0;
    int warnings = 0;
    char message[JMSG_LENGTH_MAX] = {};
    RgbImage image;
    std::vector<std::uint8_t> row;
};

JpegState* stateOf(j_common_ptr info)
{
    return static_cast<JpegState*>(info->client_data);
}

[[noreturn]] void onError(j_common_ptr info)
{
    JpegState* state = stateOf(info);
    info->err->format_message(info, state->message);
    std::longjmp(state->jump, 1);
}

void onMessage(j_common_ptr info, int level)
{
    // Level -1 is a warning about corrupt data; the others are traces. Nothing is printed.
    if (level < 0)
        ++stateOf(info)->warnings;
}

void onProgress(j_common_ptr info)
{
    JpegState* state = stateOf(info);
    const auto* decompress = reinterpret_cast<j_decompress_ptr>(info);
    if (decompress->input_scan_number > state->maxScans) {
        std::snprintf(state->message, sizeof state->message, "Too many scans");
        std::longjmp(state->jump, 1);
    }
}

std::uint8_t fromCmyk(unsigned ink, unsigned black, bool inverted)
{
    // Adobe writes CMYK inverted (0 is full ink).
    if (!inverted) {
        ink = 255 - ink;
        black = 255 - black;
    }
    return static_cast<std::uint8_t>((ink * black + 127) / 255);
}

} // namespace

PictureFormat ClassifyPicture(std::string_view stream)
{
    if (stream.empty())
        return PictureFormat::None;
    if (stream.substr(0, 2) == "BM")
        return PictureFormat::Bitmap;
    if (stream.substr(0, 3) == "II*")
        return PictureFormat::Tiff;
    return PictureFormat::Jpeg;
}

JpegResult DecodeJpeg(std::string_view stream, const JpegLimits& limits)
{
    JpegResult result;
    if (stream.empty()) {
        result.error = "No data";
        return result;
    }
    const auto state = std::make_unique<JpegState>();
    state->maxScans = limits.maxScans;
    state->info.err = jpeg_std_error(&state->errors);
    state->errors.error_exit = onError;
    state->errors.emit_message = onMessage;
    state->info.client_data = state.get();

    if (setjmp(state->jump) != 0) {
        jpeg_destroy_decompress(&state->info);
        result.warnings = state->warnings;
        result.error = state->message;
        return result;
    }

    jpeg_create_decompress(&state->info);
    state->progress.progress_monitor = onProgress;
    state->info.progress = &state->progress;
    jpeg_mem_src(&state->info, reinterpret_cast<const unsigned char*>(stream.data()),
                 static_cast<unsigned long>(stream.size()));
    jpeg_read_header(&state->info, TRUE);

    jpeg_decompress_struct& info = state->info;
    if (info.image_width == 0 || info.image_height == 0 ||
        info.image_width > static_cast<JDIMENSION>(limits.maxWidth) ||
        info.image_height > static_cast<JDIMENSION>(limits.maxHeight)) {
        std::snprintf(state->message, sizeof state->message, "Picture of %ux%u pixels is too large",
                      static_cast<unsigned>(info.image_width), static_cast<unsigned>(info.image_height));
        std::longjmp(state->jump, 1);
    }
    if (static_cast<double>(info.image_width) * info.image_height >
        static_cast<double>(stream.size()) * limits.maxPixelsPerByte) {
        std::snprintf(state->message, sizeof state->message,
                      "Picture of %ux%u pixels cannot be held in %zu bytes",
                      static_cast<unsigned>(info.image_width), static_cast<unsigned>(info.image_height),
                      stream.size());
        std::longjmp(state->jump, 1);
    }
    const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    info.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    jpeg_start_decompress(&info);

    const auto width = static_cast<std::size_t>(info.output_width);
    const auto height = static_cast<std::size_t>(info.output_height);
    const auto components = static_cast<std::size_t>(info.output_components);
    RgbImage& image = state->image;
    image.width = static_cast<int>(width);
    image.height = static_cast<int>(height);
    image.rgb.resize(width * height * 3);
    // No object with a destructor may be made here: an error jumps straight back to setjmp.
    std::vector<std::uint8_t>& row = state->row;
    row.resize(width * components);
    while (info.output_scanline < info.output_height) {
        const std::size_t y = info.output_scanline;
        JSAMPROW rows[1] = {row.data()};
        if (jpeg_read_scanlines(&info, rows, 1) != 1)
            break;
        std::uint8_t* out = image.rgb.data() + y * width * 3;
        if (cmyk) {
            const bool inverted = info.saw_Adobe_marker != 0;
            for (std::size_t x = 0; x < width; ++x) {
                const std::uint8_t* p = row.data() + x * 4;
                out[x * 3 + 0] = fromCmyk(p[0], p[3], inverted);
                out[x * 3 + 1] = fromCmyk(p[1], p[3], inverted);
                out[x * 3 + 2] = fromCmyk(p[2], p[3], inverted);
            }
        } else {
            std::copy(row.begin(), row.end(), out);
        }
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    result.warnings = state->warnings;
    result.image = std::move(state->image);
    return result;
}

DiscPicture LoadDiscPicture(std::string_view picStream, const JpegLimits& limits)
{
    DiscPicture picture;
    picture.format = ClassifyPicture(picStream);
    switch (picture.format) {
    case PictureFormat::None:
        break;
    case PictureFormat::Bitmap:
    case PictureFormat::Tiff:
        picture.stream.assign(picStream);
        break;
    case PictureFormat::Jpeg:
        if (auto decoded = DecodeJpeg(picStream, limits); decoded.image)
            picture.image = std::move(*decoded.image);
        else
            picture.format = PictureFormat::None;
        break;
    }
    return picture;
}

} // namespace kavro
