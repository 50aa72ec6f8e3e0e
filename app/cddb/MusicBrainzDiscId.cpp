#include "cddb/MusicBrainzDiscId.h"

#include <QByteArray>
#include <QCryptographicHash>

#include <algorithm>
#include <cstdio>

namespace kavro {

namespace {

// A disc holds at most 99 tracks.
constexpr std::size_t MaxTracks = 99;

void appendHex(QByteArray& out, unsigned value, int digits)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%0*X", digits, value);
    out.append(buffer);
}

} // namespace

std::string MusicBrainzDiscId(const CdToc& toc)
{
    const std::size_t tracks = std::min(toc.trackStarts.size(), MaxTracks);
    QByteArray hexToc;
    appendHex(hexToc, 1, 2);
    appendHex(hexToc, static_cast<unsigned>(tracks), 2);
    appendHex(hexToc, static_cast<unsigned>(toc.leadOut), 8);
    for (std::size_t i = 0; i < MaxTracks; ++i)
        appendHex(hexToc, i < tracks ? static_cast<unsigned>(toc.trackStarts[i]) : 0u, 8);
    QByteArray id = QCryptographicHash::hash(hexToc, QCryptographicHash::Sha1).toBase64();
    id.replace('+', '.').replace('/', '_').replace('=', '-');
    return id.toStdString();
}

std::string MusicBrainzToc(const CdToc& toc)
{
    std::string out = "1+" + std::to_string(toc.trackStarts.size()) + "+" + std::to_string(toc.leadOut);
    for (const int start : toc.trackStarts)
        out += "+" + std::to_string(start);
    return out;
}

} // namespace kavro
