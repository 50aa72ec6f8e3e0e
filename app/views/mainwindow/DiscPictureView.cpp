#include "views/mainwindow/DiscPictureView.h"

#include "content/DiscPicture.h"

#include <QImageReader>
#include <QLabel>
#include <QPixmap>

#include <limits>

namespace kavro {

namespace {

// The bytes are named by their first bytes alone, never by what Qt would guess from them.
QImage readAs(std::string_view stream, const char* format)
{
    return QImage::fromData(reinterpret_cast<const uchar*>(stream.data()), static_cast<int>(stream.size()),
                            format);
}

} // namespace

bool DiscPictureView::canReadTiff()
{
    return QImageReader::supportedImageFormats().contains("tiff");
}

QImage DiscPictureView::decode(std::string_view picStream)
{
    // QImage::fromData takes an int length; a stream beyond that is no picture of a disc.
    if (picStream.size() > static_cast<std::size_t>(std::numeric_limits<int>::max()))
        return {};
    switch (ClassifyPicture(picStream)) {
    case PictureFormat::None:
        return {};
    case PictureFormat::Bitmap:
        return readAs(picStream, "BMP");
    case PictureFormat::Tiff:
        return canReadTiff() ? readAs(picStream, "TIFF") : QImage();
    case PictureFormat::Jpeg: {
        const JpegResult decoded = DecodeJpeg(picStream);
        if (!decoded.image || decoded.image->isNull())
            return {};
        const RgbImage& rgb = *decoded.image;
        // Copied, so the picture owns its pixels once the decoder's buffer goes.
        return QImage(rgb.rgb.data(), rgb.width, rgb.height, static_cast<qsizetype>(rgb.width) * 3,
                      QImage::Format_RGB888)
            .copy();
    }
    }
    return {};
}

void DiscPictureView::clear()
{
    m_label.clear();
    m_picture = QImage();
}

bool DiscPictureView::show(std::string_view picStream)
{
    clear();
    m_picture = decode(picStream);
    if (m_picture.isNull())
        return false;
    m_label.setPixmap(QPixmap::fromImage(m_picture));
    return true;
}

} // namespace kavro
