#include "cddb/MusicBrainzLookup.h"

#include "cddb/CddbReply.h"
#include "cddb/CddbRequest.h"
#include "cddb/MusicBrainzDiscId.h"
#include "cddb/MusicBrainzReply.h"
#include "platform/CdToc.h"
#include "platform/Clock.h"
#include "platform/Person.h"
#include "platform/Texts.h"

#include <QByteArray>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QString>
#include <QUrl>

#include <algorithm>

namespace kavro {

namespace {

struct ReplyDeleter {
    void operator()(QNetworkReply* reply) const { delete reply; }
};

} // namespace

void RequestSpacing::waitTurn(Clock& clock)
{
    if (m_lastMs) {
        for (;;) {
            const std::int64_t left = *m_lastMs + m_spacingMs - clock.nowMs();
            if (left <= 0)
                break;
            clock.sleep(static_cast<int>(std::min<std::int64_t>(left, MusicBrainzLookup::StepMs)));
            clock.processEvents();
        }
    }
    m_lastMs = clock.nowMs();
}


TitleOutcome MusicBrainzLookup::titles(const CdToc& toc, std::string_view baseUrl, std::string_view email,
                                       Person& person, Clock& clock, const Texts& texts)
{
    std::string base(baseUrl);
    while (!base.empty() && base.back() == '/')
        base.pop_back();
    const std::string discId = MusicBrainzDiscId(toc);
    const QUrl url = QUrl::fromEncoded(QByteArray::fromStdString(
        base + "/ws/2/discid/" + discId + "?toc=" + MusicBrainzToc(toc) + "&inc=recordings+artist-credits&fmt=json"));
    const std::string host = url.host().toStdString();
    if (!url.isValid() || host.empty() || (url.scheme() != QLatin1String("https") && url.scheme() != QLatin1String("http")))
        return TitleOutcome::failed(texts.text("1071", "無法連線到 ") + base);

    QNetworkRequest request(url);
    std::string agent = "Kavro/";
    agent += KavroVersion();
    agent += " ( ";
    agent += email;
    agent += " )";
    request.setHeader(QNetworkRequest::UserAgentHeader, QByteArray::fromStdString(agent));
    request.setRawHeader("Accept", "application/json");
    // One request a second at most: a connection kept open between them would gain nothing.
    request.setRawHeader("Connection", "close");

    m_spacing.waitTurn(clock);
    // A manager of its own for each lookup: one kept from the lookup before sent some requests
    // twice to a server that had closed the connection.
    QNetworkAccessManager network;
    const std::unique_ptr<QNetworkReply, ReplyDeleter> reply(network.get(request));

    // The wait is shown in seconds out of the time-out.
    const std::string waiting = texts.text("1076", "等候回應：") + host;
    const std::int64_t start = clock.nowMs();
    person.progress(0, TimeoutMs / 1000, waiting);
    bool timedOut = false;
    while (!reply->isFinished()) {
        const std::int64_t waited = clock.nowMs() - start;
        if (waited >= TimeoutMs) {
            timedOut = true;
            break;
        }
        clock.sleep(StepMs);
        clock.processEvents();
        person.progress(static_cast<int>(std::min<std::int64_t>(clock.nowMs() - start, TimeoutMs) / 1000),
                        TimeoutMs / 1000, waiting);
    }
    person.progress(0, 0, {});
    if (timedOut) {
        reply->abort();
        return TitleOutcome::failed(host + texts.text("1072", "：等候回應逾時"));
    }

    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid())
        return TitleOutcome::failed(texts.text("1071", "無法連線到 ") + host + ": " +
                                    reply->errorString().toStdString());
    const int code = status.toInt();
    if (code == 404)
        return TitleOutcome::notFound(host + texts.text("1014", "網站查無此光碟資料?"));
    if (code != 200) {
        const std::string reason =
            reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString().toStdString();
        return TitleOutcome::failed(host + texts.text("1073", "：網站回應錯誤：") + "HTTP " + std::to_string(code) +
                                    (reason.empty() ? "" : " " + reason));
    }
    const QByteArray body = reply->readAll();
    const auto releases =
        MusicBrainzReleases(std::string_view(body.constData(), static_cast<std::size_t>(body.size())), discId,
                            toc.trackStarts.size());
    if (!releases)
        return TitleOutcome::failed(host + texts.text("1077", "：回應無法讀取"));
    if (releases->empty())
        return TitleOutcome::notFound(host + texts.text("1014", "網站查無此光碟資料?"));
    std::vector<std::string> labels;
    for (const MusicBrainzRelease& release : *releases)
        labels.push_back(release.label());
    const auto chosen = ChooseDisc(labels, person, texts);
    if (!chosen)
        return TitleOutcome::cancelled();
    const MusicBrainzRelease& release = (*releases)[*chosen];
    return TitleOutcome::found(DiscTitleText(release.discTitle(), release.tracks));
}

} // namespace kavro
