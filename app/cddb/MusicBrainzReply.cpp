#include "cddb/MusicBrainzReply.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

namespace kavro {

namespace {

std::string utf8(const QJsonValue& value)
{
    return value.toString().toStdString();
}

// An artist credit: each name followed by its join phrase ("A feat. B").
std::string creditText(const QJsonArray& credit)
{
    std::string text;
    for (const QJsonValue& part : credit) {
        const QJsonObject object = part.toObject();
        text += utf8(object.value(QStringLiteral("name")));
        text += utf8(object.value(QStringLiteral("joinphrase")));
    }
    return text;
}

bool holdsDisc(const QJsonObject& medium, std::string_view discId)
{
    for (const QJsonValue& disc : medium.value(QStringLiteral("discs")).toArray()) {
        if (utf8(disc.toObject().value(QStringLiteral("id"))) == discId)
            return true;
    }
    return false;
}

std::optional<QJsonObject> mediumOfDisc(const QJsonObject& release, std::string_view discId, std::size_t trackCount)
{
    const QJsonArray media = release.value(QStringLiteral("media")).toArray();
    for (const QJsonValue& medium : media) {
        if (holdsDisc(medium.toObject(), discId))
            return medium.toObject();
    }
    for (const QJsonValue& medium : media) {
        const QJsonArray tracks = medium.toObject().value(QStringLiteral("tracks")).toArray();
        if (static_cast<std::size_t>(tracks.size()) == trackCount)
            return medium.toObject();
    }
    return std::nullopt;
}

MusicBrainzRelease releaseFrom(const QJsonObject& release, const QJsonObject& medium)
{
    MusicBrainzRelease result;
    result.title = utf8(release.value(QStringLiteral("title")));
    result.artist = creditText(release.value(QStringLiteral("artist-credit")).toArray());
    result.date = utf8(release.value(QStringLiteral("date")));
    result.country = utf8(release.value(QStringLiteral("country")));
    for (const QJsonValue& value : medium.value(QStringLiteral("tracks")).toArray()) {
        const QJsonObject track = value.toObject();
        std::string title = utf8(track.value(QStringLiteral("title")));
        if (title.empty())
            title = utf8(track.value(QStringLiteral("recording")).toObject().value(QStringLiteral("title")));
        const QJsonValue credit = track.value(QStringLiteral("artist-credit"));
        const std::string artist = credit.isArray() ? creditText(credit.toArray()) : std::string();
        if (!artist.empty() && artist != result.artist)
            title = artist + " / " + title;
        result.tracks.push_back(std::move(title));
    }
    return result;
}

// A CD stub: title, artist and tracks with their own title and artist.
MusicBrainzRelease stubFrom(const QJsonObject& stub)
{
    MusicBrainzRelease result;
    result.title = utf8(stub.value(QStringLiteral("title")));
    result.artist = utf8(stub.value(QStringLiteral("artist")));
    for (const QJsonValue& value : stub.value(QStringLiteral("tracks")).toArray()) {
        const QJsonObject track = value.toObject();
        std::string title = utf8(track.value(QStringLiteral("title")));
        const std::string artist = utf8(track.value(QStringLiteral("artist")));
        if (!artist.empty() && artist != result.artist)
            title = artist + " / " + title;
        result.tracks.push_back(std::move(title));
    }
    return result;
}

} // namespace

std::string MusicBrainzRelease::discTitle() const
{
    if (artist.empty())
        return title;
    return artist + " / " + title;
}

std::string MusicBrainzRelease::label() const
{
    std::string details = date;
    if (!country.empty())
        details += (details.empty() ? "" : ", ") + country;
    return details.empty() ? discTitle() : discTitle() + " (" + details + ")";
}

std::optional<std::vector<MusicBrainzRelease>> MusicBrainzReleases(std::string_view json, std::string_view discId,
                                                                   std::size_t trackCount)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(
        QByteArray(json.data(), static_cast<qsizetype>(json.size())), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject root = document.object();
    std::vector<MusicBrainzRelease> releases;
    if (root.contains(QStringLiteral("releases"))) {
        for (const QJsonValue& value : root.value(QStringLiteral("releases")).toArray()) {
            const QJsonObject release = value.toObject();
            if (const auto medium = mediumOfDisc(release, discId, trackCount))
                releases.push_back(releaseFrom(release, *medium));
        }
        return releases;
    }
    if (root.value(QStringLiteral("tracks")).isArray()) {
        releases.push_back(stubFrom(root));
        return releases;
    }
    return std::nullopt;
}

} // namespace kavro
