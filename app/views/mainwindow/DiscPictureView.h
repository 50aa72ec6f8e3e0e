#pragma once

#include <QImage>

#include <string_view>

class QLabel;

namespace kavro {

// The picture tab's Image1 showing the current disc's picture. A record's Pic stream is read by
// its first bytes: "BM" with Qt's BMP reader, "II*" with Qt's TIFF reader when the image-format
// plugins provide one (else nothing is shown), anything else as JPEG through the content layer's
// decoder. A stream that does not decode leaves the tab empty.
class DiscPictureView {
public:
    explicit DiscPictureView(QLabel& image1) : m_label(image1) {}

    // LoadDiscPicture: the previous picture goes, then the stream's picture is shown. False when
    // the tab stays empty (no data, or data that does not decode).
    bool show(std::string_view picStream);
    void clear();

    // The shown picture at its own size (Image1 stretches it); null when the tab is empty.
    const QImage& picture() const { return m_picture; }

    // The stream as a picture; null when it is empty or does not decode.
    static QImage decode(std::string_view picStream);
    // Whether a TIFF reader is installed.
    static bool canReadTiff();

private:
    QLabel& m_label;
    QImage m_picture;
};

} // namespace kavro
