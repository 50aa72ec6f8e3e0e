#include "cddb/CddbRequest.h"
#include "cddb/DiscTitleLookup.h"
#include "cddb/MusicBrainzDiscId.h"
#include "cddb/MusicBrainzLookup.h"
#include "cddb/MusicBrainzReply.h"

#include "CddbTestServer.h"
#include "platform/CdToc.h"
#include "platform/Texts.h"
#include "shell/Settings.h"
#include "support/ScriptedPerson.h"
#include "support/TempDir.h"
#include "support/VirtualClock.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <gtest/gtest.h>

#include <memory>

namespace kavro {
namespace {

using test::CddbTestServer;

CdToc tocOf(std::vector<int> starts, int leadOut)
{
    CdToc toc;
    toc.trackStarts = std::move(starts);
    toc.leadOut = leadOut;
    return toc;
}

// The example of MusicBrainz's disc id documentation and of its web service documentation; the
// other two as libdiscid 0.6.2 computes them.
TEST(MusicBrainzDiscId, PublishedTablesOfContents)
{
    const struct {
        CdToc toc;
        const char* id;
    } cases[] = {
        {tocOf({150, 15363, 32314, 46592, 63414, 80489}, 95462), "49HHV7Eb8UKF3aQiNmu1GR8vKTY-"},
        {tocOf({150, 22767, 41887, 58317, 72102, 91375, 104652, 115380, 132165, 143932, 159870, 174597}, 267257),
         "I5l9cCSFccLKFEKS.7wqSZAorPU-"},
        {tocOf({150, 13895, 30153, 48449, 67725, 89036, 106545, 127410, 144751, 166155, 186527, 207070},
               3012 * 75 + 37),
         "Zy..ocqzfyIv26.S_ur0.w6dmWg-"},
        {tocOf({150, 20000}, 40000), "wX5ILo8wYx9JWq9Po6Gw2uSPICI-"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MusicBrainzDiscId(c.toc), c.id);
    EXPECT_EQ(MusicBrainzToc(cases[0].toc), "1+6+95462+150+15363+32314+46592+63414+80489");
}

// Two releases of one disc: a single CD, and a two-CD set whose second disc it is.
const std::string TwoReleases = R"j({"id":"wX5ILo8wYx9JWq9Po6Gw2uSPICI-","releases":[
 {"title":"Album","date":"1999-05-01","country":"JP",
  "artist-credit":[{"name":"Singer","joinphrase":" & "},{"name":"Band","joinphrase":""}],
  "media":[{"position":1,"format":"CD","discs":[{"id":"wX5ILo8wYx9JWq9Po6Gw2uSPICI-"}],
   "tracks":[{"position":1,"title":"Intro","artist-credit":[{"name":"Singer","joinphrase":" & "},{"name":"Band"}]},
             {"position":2,"title":"Duet","artist-credit":[{"name":"Guest"}]}]}]},
 {"title":"Album (Deluxe)","artist-credit":[{"name":"Singer & Band"}],
  "media":[{"position":1,"discs":[{"id":"other"}],"tracks":[{"title":"A"},{"title":"B"}]},
           {"position":2,"discs":[{"id":"wX5ILo8wYx9JWq9Po6Gw2uSPICI-"}],"tracks":[{"title":"C"},{"title":"D"}]}]}]})j";

TEST(MusicBrainzReply, ReleasesTakeTheMediumThatIsTheDisc)
{
    const auto releases = MusicBrainzReleases(TwoReleases, "wX5ILo8wYx9JWq9Po6Gw2uSPICI-", 2);
    ASSERT_TRUE(releases);
    ASSERT_EQ(releases->size(), 2u);
    EXPECT_EQ((*releases)[0].discTitle(), "Singer & Band / Album");
    EXPECT_EQ((*releases)[0].label(), "Singer & Band / Album (1999-05-01, JP)");
    EXPECT_EQ((*releases)[0].tracks, (std::vector<std::string>{"Intro", "Guest / Duet"}));
    EXPECT_EQ((*releases)[1].label(), "Singer & Band / Album (Deluxe)");
    EXPECT_EQ((*releases)[1].tracks, (std::vector<std::string>{"C", "D"}));

    // Found by the table of contents: no medium names the id, the one of as many tracks counts.
    const auto fuzzy = MusicBrainzReleases(
        R"({"release-count":1,"releases":[{"title":"T","media":[{"tracks":[{"title":"x"}]},)"
        R"({"tracks":[{"title":"a"},{"title":"b"}]}]}]})",
        "unknown", 2);
    ASSERT_TRUE(fuzzy);
    ASSERT_EQ(fuzzy->size(), 1u);
    EXPECT_EQ((*fuzzy)[0].discTitle(), "T");
    EXPECT_EQ((*fuzzy)[0].tracks, (std::vector<std::string>{"a", "b"}));

    const auto stub = MusicBrainzReleases(
        R"({"id":"s","title":"Stub","artist":"Someone","tracks":[{"title":"One","artist":"Someone"},)"
        R"({"title":"Two","artist":"Other"}]})",
        "s", 2);
    ASSERT_TRUE(stub);
    ASSERT_EQ(stub->size(), 1u);
    EXPECT_EQ((*stub)[0].discTitle(), "Someone / Stub");
    EXPECT_EQ((*stub)[0].tracks, (std::vector<std::string>{"One", "Other / Two"}));

    const auto none = MusicBrainzReleases(R"({"release-count":0,"releases":[]})", "x", 2);
    ASSERT_TRUE(none);
    EXPECT_TRUE(none->empty());
    EXPECT_FALSE(MusicBrainzReleases("<html>busy</html>", "x", 2));
    EXPECT_FALSE(MusicBrainzReleases(R"({"error":"Not Found"})", "x", 2));
    EXPECT_FALSE(MusicBrainzReleases("[1,2]", "x", 2));
}

TEST(RequestSpacing, AtMostOneRequestASecond)
{
    test::VirtualClock clock;
    RequestSpacing spacing(1000);
    const auto waited = [&](auto&& step) {
        clock.sleeps.clear();
        step();
        int total = 0;
        for (const int ms : clock.sleeps)
            total += ms;
        return total;
    };
    EXPECT_EQ(waited([&] { spacing.waitTurn(clock); }), 0) << "the first request goes at once";
    EXPECT_EQ(waited([&] { spacing.waitTurn(clock); }), 1000);
    clock.advance(400);
    EXPECT_EQ(waited([&] { spacing.waitTurn(clock); }), 600);
    EXPECT_EQ(clock.eventRuns, static_cast<int>(1000 / MusicBrainzLookup::StepMs + 600 / MusicBrainzLookup::StepMs + 1));
    clock.advance(1500);
    EXPECT_EQ(waited([&] { spacing.waitTurn(clock); }), 0);
}

void ensureQtApplication()
{
    static int argc = 1;
    static char name[] = "cddb_tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication application(argc, argv);
}

// Each virtual step lets Qt's events run for a little real time, so that local replies arrive.
void runQtEvents()
{
    QElapsedTimer timer;
    timer.start();
    do {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    } while (timer.elapsed() < 30);
}

// The test server closes every connection after its reply, and says so.
std::string reply(const std::string& status, const std::string& body = "")
{
    return "HTTP/1.1 " + status + "\r\nConnection: close\r\nContent-Type: application/json\r\nContent-Length: " +
           std::to_string(body.size()) + "\r\n\r\n" + body;
}

std::string json(const std::string& body)
{
    return reply("200 OK", body);
}

class NoReader final : public CdTocReader {
public:
    CdTocResult read(const std::string&, Clock&) override
    {
        ++reads;
        CdTocResult result;
        result.toc = tocOf({150, 20000}, 40000);
        return result;
    }
    int reads = 0;
};

class TitleLookupTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ensureQtApplication();
        musicBrainz.answerAtOnce();
        cddb.answerAtOnce();
        clock.onProcessEvents = runQtEvents;
        write("MusicBrainz");
    }

    void write(const std::string& source, const std::string& cddbHost = "", const std::string& email = "me@example.org")
    {
        settings = std::make_unique<Settings>(dir.write(
            "Kavro.ini", "[System]\r\neMail=" + email + "\r\ncddb_host=" + cddbHost + "\r\ntitle_source=" + source +
                             "\r\nmusicbrainz_url=http://127.0.0.1:" + std::to_string(musicBrainz.port()) + "/\r\n"));
    }

    DiscTitleLookup::Result lookUp() { return lookup.lookUp(toc, *settings, person, clock, texts); }

    void expectSettled()
    {
        EXPECT_EQ(person.busyDepth, 0);
        EXPECT_FALSE(lookup.busy());
        ASSERT_FALSE(person.progressSteps.empty());
        EXPECT_EQ(person.progressSteps.back().maximum, 0) << "the wait is no longer shown";
    }

    std::string musicBrainzHost() const { return "127.0.0.1"; }

    const CdToc toc = tocOf({150, 20000}, 40000);
    const std::string discId = "wX5ILo8wYx9JWq9Po6Gw2uSPICI-";
    test::TempDir dir;
    CddbTestServer musicBrainz;
    CddbTestServer cddb;
    NoReader reader;
    DiscTitleLookup lookup{reader};
    test::ScriptedPerson person;
    test::VirtualClock clock;
    DefaultTexts texts;
    std::unique_ptr<Settings> settings;
};

TEST_F(TitleLookupTest, MusicBrainzRequestAndTheChosenRelease)
{
    musicBrainz.addReply(json(TwoReleases));
    person.inputAnswers = {"2"};

    EXPECT_EQ(lookUp(), DiscTitleLookup::Found);
    EXPECT_EQ(lookup.resultText(), "Singer & Band / Album (Deluxe)\r\n\r\n01. C\r\n02. D\r\n");
    const auto requests = musicBrainz.requests();
    ASSERT_EQ(requests.size(), 1u);
    const std::string& request = requests[0];
    EXPECT_TRUE(request.starts_with("GET /ws/2/discid/" + discId +
                                    "?toc=1+2+40000+150+20000&inc=recordings+artist-credits&fmt=json HTTP/1.1\r\n"))
        << request;
    for (const std::string& header : {"Host: 127.0.0.1:" + std::to_string(musicBrainz.port()),
                                     "User-Agent: Kavro/" + std::string(KavroVersion()) + " ( me@example.org )",
                                     std::string("Accept: application/json")})
        EXPECT_NE(request.find("\r\n" + header + "\r\n"), std::string::npos) << header << "\n" << request;
    ASSERT_EQ(person.inputs.size(), 1u);
    EXPECT_TRUE(person.inputs[0].prompt.ends_with(
        "\n1. Singer & Band / Album (1999-05-01, JP)\n2. Singer & Band / Album (Deluxe)"));
    EXPECT_TRUE(person.boxes.empty());
    EXPECT_EQ(cddb.connections(), 0);
    expectSettled();
}

TEST_F(TitleLookupTest, MusicBrainzFailuresAreTold)
{
    const std::string host = musicBrainzHost();
    const struct {
        const char* what;
        std::string reply; // empty: never answered
        BoxIcon icon;
        std::string message;
    } cases[] = {
        {"unknown disc", reply("404 Not Found", R"({"error":"Not Found"})"), BoxIcon::Question,
         host + "網站查無此光碟資料?"},
        {"no release", json(R"({"release-count":0,"releases":[]})"), BoxIcon::Question, host + "網站查無此光碟資料?"},
        {"rate limited", reply("503 Service Unavailable"), BoxIcon::Warning,
         host + "：網站回應錯誤：HTTP 503 Service Unavailable"},
        {"not JSON", json("<html>"), BoxIcon::Warning, host + "：回應無法讀取"},
        {"time-out", "", BoxIcon::Warning, host + "：等候回應逾時"},
    };
    for (const auto& c : cases) {
        if (!c.reply.empty())
            musicBrainz.addReply(c.reply);
        person.boxes.clear();
        person.progressSteps.clear();
        const std::int64_t started = clock.nowMs();

        EXPECT_EQ(lookUp(), DiscTitleLookup::Failed) << c.what;
        ASSERT_EQ(person.boxes.size(), 1u) << c.what;
        EXPECT_EQ(person.boxes[0].text, c.message) << c.what;
        EXPECT_EQ(person.boxes[0].icon, c.icon) << c.what;
        EXPECT_TRUE(lookup.resultText().empty());
        expectSettled();
        if (c.reply.empty()) {
            // The wait is shown second by second up to the time-out.
            EXPECT_GE(clock.nowMs() - started, MusicBrainzLookup::TimeoutMs);
            EXPECT_LE(clock.nowMs() - started, MusicBrainzLookup::TimeoutMs + 2 * MusicBrainzLookup::SpacingMs);
            EXPECT_EQ(person.progressSteps.front().text, "等候回應：127.0.0.1");
            EXPECT_EQ(person.progressSteps.front().maximum, MusicBrainzLookup::TimeoutMs / 1000);
            EXPECT_EQ(person.progressSteps[person.progressSteps.size() - 2].value,
                      MusicBrainzLookup::TimeoutMs / 1000);
        }
    }
    EXPECT_EQ(cddb.connections(), 0);
}

TEST_F(TitleLookupTest, RefusedConnectionAndBadAddress)
{
    const int port = musicBrainz.port();
    // A server that is gone: nobody listens on its port any more.
    {
        CddbTestServer gone;
        settings = std::make_unique<Settings>(dir.write(
            "Kavro.ini", "[System]\r\neMail=me@example.org\r\ntitle_source=MusicBrainz\r\nmusicbrainz_url=http://127.0.0.1:" +
                             std::to_string(gone.port()) + "\r\n"));
    }
    EXPECT_EQ(lookUp(), DiscTitleLookup::Failed);
    ASSERT_EQ(person.boxes.size(), 1u);
    EXPECT_TRUE(person.boxes[0].text.starts_with("無法連線到 127.0.0.1: ")) << person.boxes[0].text;

    settings->writeString("System", "musicbrainz_url", "ftp://127.0.0.1:" + std::to_string(port));
    EXPECT_EQ(lookUp(), DiscTitleLookup::Failed);
    ASSERT_EQ(person.boxes.size(), 2u);
    EXPECT_EQ(person.boxes[1].text, "無法連線到 ftp://127.0.0.1:" + std::to_string(port));
    EXPECT_EQ(musicBrainz.connections(), 0);
}

TEST_F(TitleLookupTest, ConsecutiveLookupsKeepASecondApart)
{
    const std::string one = json(R"({"releases":[{"title":"T","media":[{"tracks":[{"title":"a"},{"title":"b"}]}]}]})");
    std::vector<std::int64_t> sentAt;
    clock.onProcessEvents = [&] {
        runQtEvents();
        while (sentAt.size() < musicBrainz.requests().size())
            sentAt.push_back(clock.nowMs());
    };
    for (int i = 0; i < 3; ++i) {
        musicBrainz.addReply(one);
        ASSERT_EQ(lookUp(), DiscTitleLookup::Found);
    }
    ASSERT_EQ(sentAt.size(), 3u);
    // Seen one step after it went, at the latest; the next goes a second after the one before.
    EXPECT_GE(sentAt[1] - sentAt[0], MusicBrainzLookup::SpacingMs - MusicBrainzLookup::StepMs);
    EXPECT_GE(sentAt[2] - sentAt[1], MusicBrainzLookup::SpacingMs - MusicBrainzLookup::StepMs);
}

// Which sources a lookup asks, and what it tells when none knows the disc.
TEST_F(TitleLookupTest, SourceSetting)
{
    const std::string cddbHost = "127.0.0.1:" + std::to_string(cddb.port());
    const std::string notFound = "網站查無此光碟資料?";
    const std::string cddbFound = "210 rock 0b02bf02\r\nDTITLE=Cddb / Album\r\nTTITLE0=One\r\nTTITLE1=Two\r\n.\r\n";
    const std::string mbFound = json(R"({"releases":[{"title":"Mb","media":[{"tracks":[{"title":"a"},{"title":"b"}]}]}]})");
    const std::string mb404 = reply("404 Not Found");
    const struct {
        const char* source;
        std::string host;
        std::vector<std::string> mbReplies;
        std::vector<std::string> cddbReplies;
        std::string text;    // the result text; empty: not found
        std::string message; // the one box shown
    } cases[] = {
        {"MusicBrainz", cddbHost, {mbFound}, {}, "Mb\r\n\r\n01. a\r\n02. b\r\n", ""},
        {"cddb", cddbHost, {}, {CddbTestServer::ok("200 rock 0b02bf02 Cddb / Album\r\n"), CddbTestServer::ok(cddbFound)},
         "Cddb / Album\r\n\r\n01. One\r\n02. Two\r\n", ""},
        {"MusicBrainz+CDDB", cddbHost, {mb404},
         {CddbTestServer::ok("200 rock 0b02bf02 Cddb / Album\r\n"), CddbTestServer::ok(cddbFound)},
         "Cddb / Album\r\n\r\n01. One\r\n02. Two\r\n", ""},
        {"MusicBrainz+CDDB", cddbHost, {mbFound}, {}, "Mb\r\n\r\n01. a\r\n02. b\r\n", ""},
        {"", cddbHost, {mb404}, {CddbTestServer::ok("202 No match\r\n")}, "",
         "127.0.0.1" + notFound + "\n" + cddbHost + notFound},
        // No CDDB host: CDDB is not asked and only MusicBrainz's answer is told.
        {"something else", "", {mb404}, {}, "", "127.0.0.1" + notFound},
    };
    for (const auto& c : cases) {
        write(c.source, c.host);
        for (const std::string& reply : c.mbReplies)
            musicBrainz.addReply(reply);
        for (const std::string& reply : c.cddbReplies)
            cddb.addReply(reply);
        const std::size_t mbBefore = musicBrainz.requests().size();
        const std::size_t cddbBefore = cddb.requests().size();
        person.boxes.clear();
        clock.advance(MusicBrainzLookup::SpacingMs);

        EXPECT_EQ(lookUp(), c.text.empty() ? DiscTitleLookup::Failed : DiscTitleLookup::Found) << c.source;
        EXPECT_EQ(lookup.resultText(), c.text) << c.source;
        EXPECT_EQ(musicBrainz.requests().size() - mbBefore, c.mbReplies.size()) << c.source;
        EXPECT_EQ(cddb.requests().size() - cddbBefore, c.cddbReplies.size()) << c.source;
        if (c.message.empty()) {
            EXPECT_TRUE(person.boxes.empty()) << c.source;
        } else {
            ASSERT_EQ(person.boxes.size(), 1u) << c.source;
            EXPECT_EQ(person.boxes[0].text, c.message) << c.source;
        }
    }
}

TEST_F(TitleLookupTest, DiscInTheDriveAndTheEmailCheck)
{
    musicBrainz.addReply(json(R"({"releases":[{"title":"T","media":[{"tracks":[{"title":"a"},{"title":"b"}]}]}]})"));
    EXPECT_EQ(lookup.lookUp("/dev/sr0", *settings, person, clock, texts), DiscTitleLookup::Found);
    EXPECT_EQ(reader.reads, 1);
    EXPECT_EQ(lookup.resultText(), "T\r\n\r\n01. a\r\n02. b\r\n");

    write("MusicBrainz+CDDB", "127.0.0.1:" + std::to_string(cddb.port()), "me.example.org");
    EXPECT_EQ(lookup.lookUp("/dev/sr0", *settings, person, clock, texts), DiscTitleLookup::Failed);
    EXPECT_EQ(lookUp(), DiscTitleLookup::Failed);
    ASSERT_EQ(person.boxes.size(), 2u);
    EXPECT_EQ(person.boxes[1].text, "請檢查您的e-Mail是否正確");
    EXPECT_EQ(reader.reads, 1) << "the drive is not touched";
    EXPECT_EQ(musicBrainz.connections(), 1);
    EXPECT_EQ(cddb.connections(), 0);
    EXPECT_TRUE(lookup.resultText().empty());
}

TEST_F(TitleLookupTest, LookupWhileOneWaitsIsRefused)
{
    musicBrainz.addReply(json(R"({"releases":[{"title":"T","media":[{"tracks":[{"title":"a"},{"title":"b"}]}]}]})"));
    std::vector<DiscTitleLookup::Result> nested;
    clock.onProcessEvents = [&] {
        nested.push_back(lookup.lookUp("/dev/sr0", *settings, person, clock, texts));
        runQtEvents();
    };
    EXPECT_EQ(lookUp(), DiscTitleLookup::Found);
    ASSERT_FALSE(nested.empty());
    for (const auto result : nested)
        EXPECT_EQ(result, DiscTitleLookup::Refused);
    EXPECT_EQ(reader.reads, 0);
    EXPECT_EQ(musicBrainz.requests().size(), 1u);
}

TEST(TitleSource, SettingText)
{
    EXPECT_EQ(TitleSourceOf("musicbrainz"), TitleSource::MusicBrainz);
    EXPECT_EQ(TitleSourceOf(" CDDB "), TitleSource::Cddb);
    EXPECT_EQ(TitleSourceOf("MusicBrainz+CDDB"), TitleSource::MusicBrainzThenCddb);
    EXPECT_EQ(TitleSourceOf(""), TitleSource::MusicBrainzThenCddb);
    for (const TitleSource source : {TitleSource::MusicBrainz, TitleSource::Cddb, TitleSource::MusicBrainzThenCddb})
        EXPECT_EQ(TitleSourceOf(TitleSourceSetting(source)), source);
}

} // namespace
} // namespace kavro
