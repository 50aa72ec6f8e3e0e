#include "views/flows/TfrmAddPicture.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>

#include <gtest/gtest.h>

namespace kavro::test {
namespace {

// A chosen picture is stored as BMP, no larger than the picture tab can show well.
TEST(PictureStore, LargePicturesAreScaledDownKeepingTheirShape)
{
    const struct {
        int width, height;
        int storedWidth, storedHeight;
    } cases[] = {{4000, 3000, 1200, 900}, {600, 2400, 300, 1200}, {800, 600, 800, 600}, {1200, 1200, 1200, 1200}};
    for (const auto& c : cases) {
        QImage image(c.width, c.height, QImage::Format_RGB32);
        image.fill(Qt::darkCyan);
        for (const char* format : {"BMP", "JPG"}) {
            QByteArray bytes;
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::WriteOnly);
            ASSERT_TRUE(image.save(&buffer, format));
            const auto stored = PictureFileAsBitmap(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
            ASSERT_TRUE(stored.has_value()) << format;
            EXPECT_EQ(stored->substr(0, 2), "BM");
            QImage back;
            ASSERT_TRUE(back.loadFromData(QByteArray(stored->data(), static_cast<qsizetype>(stored->size())), "BMP"));
            EXPECT_EQ(back.size(), QSize(c.storedWidth, c.storedHeight)) << format << " " << c.width << "x" << c.height;
        }
    }
}

} // namespace
} // namespace kavro::test
