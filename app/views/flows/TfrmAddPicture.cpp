#include "views/flows/TfrmAddPicture.h"

#include "content/DiscPicture.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>

#include <algorithm>

namespace kavro {

namespace {

QByteArray bytesOf(std::string_view s)
{
    return QByteArray(s.data(), static_cast<qsizetype>(s.size()));
}

std::optional<std::string> asBmp(const QImage& image)
{
    if (image.isNull())
        return std::nullopt;
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "BMP"))
        return std::nullopt;
    return out.toStdString();
}

QImage fromRgb(const RgbImage& rgb)
{
    if (rgb.isNull() ||
        rgb.rgb.size() < static_cast<std::size_t>(rgb.width) * static_cast<std::size_t>(rgb.height) * 3)
        return {};
    const QImage view(rgb.rgb.data(), rgb.width, rgb.height, rgb.width * 3, QImage::Format_RGB888);
    return view.copy();
}

// A picture larger than the picture tab can show well is stored smaller: a 12-megapixel photo
// would otherwise become a 36 MB bitmap in the record.
QImage fitForRecord(const QImage& image)
{
    if (image.isNull() || std::max(image.width(), image.height()) <= MaxStoredPictureSide)
        return image;
    return image.scaled(MaxStoredPictureSide, MaxStoredPictureSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

std::optional<std::string> jpegAsBmp(std::string_view bytes)
{
    const JpegResult decoded = DecodeJpeg(bytes);
    if (!decoded.image)
        return std::nullopt;
    return asBmp(fitForRecord(fromRgb(*decoded.image)));
}

} // namespace

std::optional<std::string> PictureFileAsBitmap(std::string_view bytes)
{
    if (bytes.substr(0, 2) == "BM") {
        QImage image;
        if (!image.loadFromData(bytesOf(bytes), "BMP"))
            return std::nullopt;
        return asBmp(fitForRecord(image));
    }
    return jpegAsBmp(bytes);
}

std::string StoredPictureAsBitmap(std::string_view stream)
{
    const DiscPicture picture = LoadDiscPicture(stream);
    switch (picture.format) {
    case PictureFormat::None:
        return {};
    case PictureFormat::Bitmap:
    case PictureFormat::Tiff: {
        QImage image;
        if (!image.loadFromData(bytesOf(picture.stream)))
            return {};
        return asBmp(image).value_or(std::string());
    }
    case PictureFormat::Jpeg:
        return asBmp(fromRgb(picture.image)).value_or(std::string());
    }
    return {};
}

} // namespace kavro
