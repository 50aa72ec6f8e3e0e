#include "content/DiscPicture.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <random>

#include <jpeglib.h>

using namespace kavro;

namespace {

// Encodes pixels (3 or 4 bytes each, as the colour space says) with libjpeg's compressor.
std::string encodeJpeg(int width, int height, const std::vector<std::uint8_t>& pixels, J_COLOR_SPACE space,
                       int components, bool progressive = false)
{
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = components;
    info.in_color_space = space;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 100, TRUE);
    if (progressive)
        jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row =
            const_cast<JSAMPROW>(pixels.data() + info.next_scanline * static_cast<std::size_t>(width) *
                                                     static_cast<std::size_t>(components));
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::string bytes(reinterpret_cast<const char*>(buffer), size);
    std::free(buffer);
    return bytes;
}

struct Rgb {
    int r, g, b;
};

// Four flat quadrants: red, green / blue, white.
std::vector<std::uint8_t> quadrants(int width, int height)
{
    std::vector<std::uint8_t> pixels;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const bool right = x >= width / 2;
            const bool bottom = y >= height / 2;
            const Rgb c = !bottom ? (right ? Rgb{0, 255, 0} : Rgb{255, 0, 0})
                                  : (right ? Rgb{255, 255, 255} : Rgb{0, 0, 255});
            pixels.push_back(static_cast<std::uint8_t>(c.r));
            pixels.push_back(static_cast<std::uint8_t>(c.g));
            pixels.push_back(static_cast<std::uint8_t>(c.b));
        }
    return pixels;
}

void expectPixel(const RgbImage& image, int x, int y, Rgb want)
{
    SCOPED_TRACE("pixel " + std::to_string(x) + "," + std::to_string(y));
    const std::size_t at =
        (static_cast<std::size_t>(y) * static_cast<std::size_t>(image.width) + static_cast<std::size_t>(x)) *
        3;
    EXPECT_NEAR(image.rgb[at], want.r, 6);
    EXPECT_NEAR(image.rgb[at + 1], want.g, 6);
    EXPECT_NEAR(image.rgb[at + 2], want.b, 6);
}

// The frame header (SOF0 or SOF2) of a stream made by encodeJpeg.
std::size_t frameHeader(const std::string& jpeg)
{
    for (std::size_t i = 2; i + 1 < jpeg.size(); ++i)
        if (static_cast<unsigned char>(jpeg[i]) == 0xFF && (static_cast<unsigned char>(jpeg[i + 1]) == 0xC0 ||
                                                            static_cast<unsigned char>(jpeg[i + 1]) == 0xC2))
            return i;
    return std::string::npos;
}

} // namespace

TEST(DiscPicture, FirstBytesChooseTheReader)
{
    EXPECT_EQ(ClassifyPicture(""), PictureFormat::None);
    EXPECT_EQ(ClassifyPicture(std::string_view("BM\x36\0\0", 5)), PictureFormat::Bitmap);
    EXPECT_EQ(ClassifyPicture(std::string_view("II*\0\x08", 5)), PictureFormat::Tiff);
    EXPECT_EQ(ClassifyPicture("MM\0*"), PictureFormat::Jpeg); // a big-endian TIFF is not recognised
    EXPECT_EQ(ClassifyPicture("B"), PictureFormat::Jpeg);
    EXPECT_EQ(ClassifyPicture("\xFF\xD8\xFF"), PictureFormat::Jpeg);

    const std::string bitmap("BM\x10\0\0\0rest of the file", 22);
    const DiscPicture picture = LoadDiscPicture(bitmap);
    EXPECT_EQ(picture.format, PictureFormat::Bitmap);
    EXPECT_EQ(picture.stream, bitmap);
    EXPECT_TRUE(picture.image.isNull());
    EXPECT_EQ(LoadDiscPicture(std::string_view("II*\0", 4)).format, PictureFormat::Tiff);
    EXPECT_TRUE(LoadDiscPicture("").isEmpty());
}

TEST(DiscPicture, JpegDecodesToItsPixels)
{
    const std::string jpeg = encodeJpeg(32, 16, quadrants(32, 16), JCS_RGB, 3);
    const DiscPicture picture = LoadDiscPicture(jpeg);
    ASSERT_EQ(picture.format, PictureFormat::Jpeg);
    const RgbImage& image = picture.image;
    ASSERT_EQ(image.width, 32);
    ASSERT_EQ(image.height, 16);
    ASSERT_EQ(image.rgb.size(), 32u * 16u * 3u);
    expectPixel(image, 4, 3, {255, 0, 0});
    expectPixel(image, 27, 3, {0, 255, 0});
    expectPixel(image, 4, 12, {0, 0, 255});
    expectPixel(image, 27, 12, {255, 255, 255});
    EXPECT_TRUE(picture.stream.empty());
}

TEST(DiscPicture, GreyProgressiveAndCmykStreamsComeOutAsRgb)
{
    std::vector<std::uint8_t> grey(24 * 8);
    for (std::size_t i = 0; i < grey.size(); ++i)
        grey[i] = (i % 24) < 12 ? 40 : 200;
    const auto g = DecodeJpeg(encodeJpeg(24, 8, grey, JCS_GRAYSCALE, 1));
    ASSERT_TRUE(g.image);
    expectPixel(*g.image, 3, 4, {40, 40, 40});
    expectPixel(*g.image, 20, 4, {200, 200, 200});

    const auto p = DecodeJpeg(encodeJpeg(32, 16, quadrants(32, 16), JCS_RGB, 3, true));
    ASSERT_TRUE(p.image);
    expectPixel(*p.image, 27, 12, {255, 255, 255});

    // The compressor writes an Adobe marker, so the ink is stored inverted: 255 is no ink.
    // Cyan-free, full magenta and yellow, no black: red.
    std::vector<std::uint8_t> cmyk;
    for (int i = 0; i < 16 * 16; ++i)
        cmyk.insert(cmyk.end(), {255, 0, 0, 255});
    const auto c = DecodeJpeg(encodeJpeg(16, 16, cmyk, JCS_CMYK, 4));
    ASSERT_TRUE(c.image) << c.error;
    expectPixel(*c.image, 8, 8, {255, 0, 0});
}

TEST(DiscPicture, TruncatedJpegKeepsWhatArrived)
{
    const std::string jpeg = encodeJpeg(64, 64, quadrants(64, 64), JCS_RGB, 3);
    // Half of the coded data after the start-of-scan marker.
    const std::size_t scan = jpeg.find("\xFF\xDA");
    ASSERT_NE(scan, std::string::npos);
    const auto cut = DecodeJpeg(std::string_view(jpeg).substr(0, scan + (jpeg.size() - scan) / 2));
    ASSERT_TRUE(cut.image) << cut.error;
    EXPECT_GT(cut.warnings, 0);
    EXPECT_EQ(cut.image->width, 64);
    EXPECT_EQ(cut.image->height, 64);
    expectPixel(*cut.image, 2, 2, {255, 0, 0});

    // Cut inside the headers: nothing to show.
    const auto header = DecodeJpeg(std::string_view(jpeg).substr(0, 40));
    EXPECT_FALSE(header.image);
    EXPECT_FALSE(header.error.empty());
    EXPECT_TRUE(LoadDiscPicture(std::string_view(jpeg).substr(0, 40)).isEmpty());
}

TEST(DiscPicture, RandomBytesNeverCrashAndShowNothing)
{
    std::mt19937 random(20240611);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int round = 0; round < 200; ++round) {
        std::string bytes(static_cast<std::size_t>(1 + round * 7), '\0');
        for (char& c : bytes)
            c = static_cast<char>(byte(random));
        if (round % 2 == 0 && bytes.size() >= 2) {
            bytes[0] = '\xFF'; // past the signature, into the markers
            bytes[1] = '\xD8';
        }
        if (bytes.substr(0, 2) == "BM" || bytes.substr(0, 3) == "II*")
            continue;
        const DiscPicture picture = LoadDiscPicture(bytes);
        EXPECT_TRUE(picture.isEmpty() || !picture.image.isNull());
    }
    EXPECT_FALSE(DecodeJpeg("").image);
    EXPECT_TRUE(LoadDiscPicture("not a picture at all").isEmpty());
}

TEST(DiscPicture, HugeDeclaredSizeIsRefusedBeforeAllocating)
{
    std::string jpeg = encodeJpeg(16, 16, quadrants(16, 16), JCS_RGB, 3);
    const std::size_t sof = frameHeader(jpeg);
    ASSERT_NE(sof, std::string::npos);
    // Height and width (big-endian) follow the marker, length and precision: 60000 x 60000.
    jpeg[sof + 5] = static_cast<char>(0xEA);
    jpeg[sof + 6] = static_cast<char>(0x60);
    jpeg[sof + 7] = static_cast<char>(0xEA);
    jpeg[sof + 8] = static_cast<char>(0x60);
    const auto huge = DecodeJpeg(jpeg);
    EXPECT_FALSE(huge.image);
    EXPECT_NE(huge.error.find("60000x60000"), std::string::npos) << huge.error;
    EXPECT_TRUE(LoadDiscPicture(jpeg).isEmpty());

    // A size within the limits that the stream cannot hold: 8000 x 8000 from a few hundred bytes.
    jpeg[sof + 5] = static_cast<char>(0x1F);
    jpeg[sof + 6] = static_cast<char>(0x40);
    jpeg[sof + 7] = static_cast<char>(0x1F);
    jpeg[sof + 8] = static_cast<char>(0x40);
    const auto claimed = DecodeJpeg(jpeg, JpegLimits{8192, 8192, 1000});
    EXPECT_FALSE(claimed.image);
    EXPECT_NE(claimed.error.find("8000x8000"), std::string::npos) << claimed.error;

    // The limits are the caller's to choose.
    const std::string wide = encodeJpeg(32, 8, quadrants(32, 8), JCS_RGB, 3);
    EXPECT_FALSE(DecodeJpeg(wide, JpegLimits{16, 16, 1000}).image);
    EXPECT_TRUE(DecodeJpeg(wide, JpegLimits{32, 8, 1000}).image);
}
