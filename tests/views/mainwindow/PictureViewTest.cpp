#include "views/mainwindow/DiscPictureView.h"

#include "catalogue/records/DiscTree.h"

#include "views/flows/DetailFixture.h"

#include <QBuffer>
#include <QImage>
#include <QLabel>
#include <QPainter>

#include <random>

using kavro::DiscPictureView;
using kavro::test::DetailFixture;

namespace {

// Four flat quadrants: red, green over blue, white.
QImage quadrants(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.fillRect(0, 0, width / 2, height / 2, Qt::red);
    painter.fillRect(width / 2, 0, width - width / 2, height / 2, Qt::green);
    painter.fillRect(0, height / 2, width / 2, height - height / 2, Qt::blue);
    painter.fillRect(width / 2, height / 2, width - width / 2, height - height / 2, Qt::white);
    return image;
}

std::string encoded(const QImage& image, const char* format, int quality = -1)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(image.save(&buffer, format, quality)) << format;
    return bytes.toStdString();
}

void expectColour(const QImage& image, int x, int y, QColor want, int tolerance)
{
    SCOPED_TRACE("pixel " + std::to_string(x) + "," + std::to_string(y));
    const QColor got = image.pixelColor(x, y);
    EXPECT_NEAR(got.red(), want.red(), tolerance);
    EXPECT_NEAR(got.green(), want.green(), tolerance);
    EXPECT_NEAR(got.blue(), want.blue(), tolerance);
}

void expectQuadrants(const QImage& image, int tolerance)
{
    ASSERT_FALSE(image.isNull());
    const int w = image.width();
    const int h = image.height();
    expectColour(image, w / 4, h / 4, Qt::red, tolerance);
    expectColour(image, 3 * w / 4, h / 4, Qt::green, tolerance);
    expectColour(image, w / 4, 3 * h / 4, Qt::blue, tolerance);
    expectColour(image, 3 * w / 4, 3 * h / 4, Qt::white, tolerance);
}

struct PictureTest : DetailFixture {
    QLabel image1;
    DiscPictureView view{image1};

    // The record's picture as a disc load shows it: the row found, Pic read from DiscCursor.
    bool load(int machine, int slot)
    {
        EXPECT_TRUE(kavro::LoadDiscTree(*catalogue, machine, slot));
        return view.show(catalogue->discCursor().field("Pic").bytes());
    }

    bool shown() const { return !image1.pixmap().isNull(); }
};

} // namespace

TEST_F(PictureTest, BitmapRecordIsShownUnchanged)
{
    const QImage original = quadrants(64, 48);
    addDisc(101, 1, "Bitmap", "Music", encoded(original, "BMP"));
    ASSERT_TRUE(load(101, 1));
    EXPECT_EQ(view.picture().size(), QSize(64, 48));
    EXPECT_EQ(view.picture().convertToFormat(QImage::Format_RGB32), original);
    EXPECT_TRUE(shown());
}

TEST_F(PictureTest, JpegRecordIsDecodedToItsPixels)
{
    addDisc(101, 2, "Jpeg", "Music", encoded(quadrants(80, 60), "JPEG", 95));
    ASSERT_TRUE(load(101, 2));
    EXPECT_EQ(view.picture().size(), QSize(80, 60));
    expectQuadrants(view.picture(), 12);
    EXPECT_TRUE(shown());
}

TEST_F(PictureTest, TruncatedJpegShowsWhatArrivedOrNothing)
{
    const std::string jpeg = encoded(quadrants(64, 64), "JPEG", 95);
    // Cut in the middle of the coded data after the start-of-scan marker: the top rows arrived.
    const std::size_t scan = jpeg.find("\xFF\xDA");
    ASSERT_NE(scan, std::string::npos);
    const QImage partial =
        DiscPictureView::decode(std::string_view(jpeg).substr(0, scan + (jpeg.size() - scan) / 2));
    ASSERT_FALSE(partial.isNull());
    EXPECT_EQ(partial.size(), QSize(64, 64));
    expectColour(partial, 8, 8, Qt::red, 12);
    // Cut inside the header: nothing to show.
    EXPECT_TRUE(DiscPictureView::decode(std::string_view(jpeg).substr(0, 40)).isNull());
    addDisc(101, 3, "Header only", "Music", jpeg.substr(0, 40));
    EXPECT_FALSE(load(101, 3));
    EXPECT_FALSE(shown());
}

TEST_F(PictureTest, RandomBytesShowNothingAndNeverEndTheProgram)
{
    std::mt19937 random(20240611);
    int shownCount = 0;
    for (int round = 0; round < 300; ++round) {
        std::string bytes(1 + random() % 600, '\0');
        for (char& c : bytes)
            c = static_cast<char>(random());
        // Every reader gets its share: a bitmap, a TIFF and a JPEG header in front of noise.
        if (round % 4 == 1)
            bytes.replace(0, 2, "BM");
        else if (round % 4 == 2)
            bytes.replace(0, 3, std::string("II*\0", 4));
        else if (round % 4 == 3)
            bytes.replace(0, 2, "\xFF\xD8");
        shownCount += DiscPictureView::decode(bytes).isNull() ? 0 : 1;
    }
    EXPECT_EQ(shownCount, 0);
}

TEST_F(PictureTest, EmptyFieldLeavesTheTabEmpty)
{
    addDisc(101, 4, "No picture");
    EXPECT_FALSE(load(101, 4));
    EXPECT_FALSE(shown());
    EXPECT_TRUE(view.picture().isNull());
}

TEST_F(PictureTest, DiscWithoutPictureAfterOneWithAPictureLeavesTheTabEmpty)
{
    addDisc(101, 5, "With", "Music", encoded(quadrants(32, 32), "BMP"));
    addDisc(101, 6, "Without");
    addDisc(101, 7, "Broken", "Music", "BM broken bitmap");
    ASSERT_TRUE(load(101, 5));
    EXPECT_TRUE(shown());
    EXPECT_FALSE(load(101, 6));
    EXPECT_FALSE(shown());
    EXPECT_TRUE(view.picture().isNull());

    ASSERT_TRUE(load(101, 5));
    EXPECT_FALSE(load(101, 7)) << "a picture that does not decode leaves the tab empty too";
    EXPECT_FALSE(shown());
}

TEST_F(PictureTest, LittleEndianTiffIsReadWhenAReaderIsInstalled)
{
    if (!DiscPictureView::canReadTiff())
        GTEST_SKIP() << "no TIFF reader (qt6-image-formats-plugins) installed";
    const std::string tiff = encoded(quadrants(40, 30), "TIFF");
    ASSERT_EQ(tiff.substr(0, 3), std::string("II*", 3)) << "Qt writes TIFF in the machine's byte order";
    const QImage image = DiscPictureView::decode(tiff);
    EXPECT_EQ(image.size(), QSize(40, 30));
    expectQuadrants(image, 0);
}
