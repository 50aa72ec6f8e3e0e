#include "cddb/CddbLookup.h"
#include "cddb/CddbRequest.h"

#include "CddbTestServer.h"
#include "platform/CdToc.h"
#include "platform/Texts.h"
#include "shell/Settings.h"
#include "support/ScriptedPerson.h"
#include "support/TempDir.h"
#include "support/VirtualClock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>

namespace kavro {
namespace {

using test::CddbTestServer;

const std::string NotFoundText = "網站查無此光碟資料?";

const std::string RefusedText = "：伺服器拒絕了查詢：";

std::string request(int port, const std::string& body)
{
    return "POST /~cddb/cddb.cgi HTTP/1.0\r\nHost: 127.0.0.1:" + std::to_string(port) +
           "\r\nUser-Agent: Kavro/" + std::string(KavroVersion()) +
           "\r\nContent-Type: application/x-www-form-urlencoded\r\nContent-Length: " +
           std::to_string(body.size()) + "\r\n\r\n" + body;
}

std::string greeting()
{
    return "&hello=someone+example.org+Kavro+" + std::string(KavroVersion()) + "&proto=6";
}

std::string queryRequest(int port)
{
    return request(port, "cmd=cddb+query+9c0bc20c+12+150+13895+30153+48449+67725+89036+106545+127410+144751"
                         "+166155+186527+207070+3012" +
                             greeting());
}

std::string readRequest(int port, const std::string& category)
{
    return request(port, "cmd=cddb+read+" + category + "+9c0bc20c" + greeting());
}

const std::string Entry = "210 rock 9c0bc20c CD database entry follows (until terminating `.')\r\n"
                          "# xmcd\r\n"
                          "DISCID=9c0bc20c\r\n"
                          "DTITLE=Artist / Album\r\n"
                          "TTITLE0=One\r\n"
                          "TTITLE1=Two\r\n"
                          ".\r\n";
const std::string EntryText = "Artist / Album\r\n\r\n01. One\r\n02. Two\r\n";

// A port on 127.0.0.1 that nobody listens on: a connection to it is refused at once.
int unusedPort()
{
    static const int port = [] {
        const int probe = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address);
        socklen_t length = sizeof address;
        ::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
        // Kept bound and never listening: connections are refused, and no other test running
        // at the same time can take the port meanwhile.
        return static_cast<int>(ntohs(address.sin_port));
    }();
    return port;
}

class FixedTocReader final : public CdTocReader {
public:
    CdTocResult read(const std::string& device, Clock&) override
    {
        ++reads;
        lastDevice = device;
        return result;
    }

    CdTocResult result;
    int reads = 0;
    std::string lastDevice;
};

class CddbLookupTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        CdToc toc;
        toc.trackStarts = {150,    13895,  30153,  48449,  67725,  89036,
                           106545, 127410, 144751, 166155, 186527, 207070};
        toc.leadOut = 3012 * 75 + 37;
        reader.result.toc = toc;
        // Each step of the virtual clock lets the server thread answer first.
        clock.onProcessEvents = [this] { server.answerNext(); };
        writeSettings("someone@example.org", server.hostSetting());
    }

    void writeSettings(const std::string& email, const std::string& host)
    {
        settings = std::make_unique<Settings>(
            dir.write("Kavro.ini", "[System]\r\neMail=" + email + "\r\ncddb_host=" + host + "\r\n"));
    }

    CddbLookup::Result lookUp() { return lookup.lookUp("/dev/sr0", *settings, person, clock, texts); }

    // Every ending leaves the default cursor, no busy mark, and waits only in 500 ms steps.
    void expectSettled()
    {
        EXPECT_EQ(person.busyDepth, 0);
        EXPECT_FALSE(lookup.busy());
        for (const int ms : clock.sleeps)
            EXPECT_EQ(ms, 500);
    }

    test::TempDir dir;
    CddbTestServer server;
    FixedTocReader reader;
    // The endpoint once named the server of the read; the read now goes where the query went.
    CddbLookup lookup{reader, {"127.0.0.1", 1}};
    test::ScriptedPerson person;
    test::VirtualClock clock;
    DefaultTexts texts;
    std::unique_ptr<Settings> settings;
};

TEST_F(CddbLookupTest, ExactMatchReadsTheEntry)
{
    server.addReply(CddbTestServer::ok("200 rock 9c0bc20c Artist / Album\r\n"));
    server.addReply(CddbTestServer::ok(Entry));

    EXPECT_EQ(lookUp(), CddbLookup::Found);
    EXPECT_EQ(lookup.resultText(), EntryText);
    EXPECT_EQ(reader.lastDevice, "/dev/sr0");
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0], queryRequest(server.port()));
    EXPECT_EQ(requests[1], readRequest(server.port(), "rock"));
    EXPECT_TRUE(person.boxes.empty());
    EXPECT_EQ(person.busyBegins, 1);
    expectSettled();
}

TEST_F(CddbLookupTest, ChosenOfSeveralMatchesIsReadUnderTheDiscsOwnId)
{
    const std::string list = CddbTestServer::ok("211 Found inexact matches, list follows (until terminating `.')\r\n"
                                                "jazz 9c0bc2aa First / Match\r\n"
                                                "blues 9c0bc2bb Second / Match\r\n"
                                                ".\r\n");
    const struct {
        std::optional<std::string> answer;
        const char* category; // nullptr: nothing is read
    } cases[] = {{"1", "jazz"}, {" 2 ", "blues"}, {std::nullopt, nullptr}};
    for (const auto& c : cases) {
        server.addReply(list);
        if (c.category != nullptr)
            server.addReply(CddbTestServer::ok(Entry));
        person.inputAnswers = {c.answer};
        const std::size_t before = server.requests().size();

        EXPECT_EQ(lookUp(), c.category ? CddbLookup::Found : CddbLookup::Failed);
        const auto requests = server.requests();
        ASSERT_EQ(requests.size(), before + (c.category ? 2 : 1));
        if (c.category) {
            EXPECT_EQ(requests.back(), readRequest(server.port(), c.category));
        }
        EXPECT_EQ(lookup.resultText(), c.category ? EntryText : "");
    }
    ASSERT_EQ(person.inputs.size(), 3u);
    EXPECT_EQ(person.inputs[0].initial, "1");
    EXPECT_TRUE(person.inputs[0].prompt.ends_with("\n1. jazz: First / Match\n2. blues: Second / Match"));
    EXPECT_TRUE(person.boxes.empty()); // cancelling the choice is not a failure to tell
    expectSettled();
}

TEST_F(CddbLookupTest, NoMatchNamesTheConfiguredHost)
{
    server.addReply(CddbTestServer::ok("202 No match for disc ID 9c0bc20c.\r\n"));

    EXPECT_EQ(lookUp(), CddbLookup::Failed);
    ASSERT_EQ(person.boxes.size(), 1u);
    EXPECT_EQ(person.boxes[0].text, server.hostSetting() + NotFoundText);
    EXPECT_EQ(person.boxes[0].icon, BoxIcon::Question);
    EXPECT_EQ(person.boxes[0].buttons, BoxButtons::Ok);
    EXPECT_EQ(server.requests().size(), 1u);
    EXPECT_TRUE(lookup.resultText().empty());
    expectSettled();
}

TEST_F(CddbLookupTest, ServerRefusalIsShownWithItsStatusLine)
{
    server.addReply(CddbTestServer::ok("530 Client banned, please register\r\n"));

    EXPECT_EQ(lookUp(), CddbLookup::Failed);
    ASSERT_EQ(person.boxes.size(), 1u);
    EXPECT_EQ(person.boxes[0].text, server.hostSetting() + RefusedText + "530 Client banned, please register");
    EXPECT_EQ(person.boxes[0].icon, BoxIcon::Warning);
}

TEST_F(CddbLookupTest, FailedReadIsNotFound)
{
    server.addReply(CddbTestServer::ok("200 rock 9c0bc20c Artist / Album\r\n"));
    server.addReply(CddbTestServer::ok("401 rock 9c0bc20c No such CD entry in database.\r\n"));
    EXPECT_EQ(lookUp(), CddbLookup::Failed);
    ASSERT_EQ(person.boxes.size(), 1u);
    EXPECT_EQ(person.boxes[0].text, server.hostSetting() + NotFoundText);

    // A read reply that is no HTTP answer at all is told as such.
    server.addReply(CddbTestServer::ok("200 rock 9c0bc20c Artist / Album\r\n"));
    server.addReply("garbage");
    EXPECT_EQ(lookUp(), CddbLookup::Failed);
    ASSERT_EQ(person.boxes.size(), 2u);
    EXPECT_EQ(person.boxes[1].text, server.hostSetting() + "：回應無法讀取");
    EXPECT_TRUE(lookup.resultText().empty());
    expectSettled();
}

// Every way of not getting an answer has its own message, shown once, as a warning.
TEST_F(CddbLookupTest, EachFailureIsTold)
{
    const std::string host = server.hostSetting();
    const std::string refused = "127.0.0.1:" + std::to_string(unusedPort());
    const struct {
        const char* what;
        std::string hostSetting;
        std::string reply; // empty: the server never answers
        int requests; // -1: not counted (the client gives up before the server thread has read it)
        std::string message;
    } cases[] = {
        {"empty host", "", "", 0, "尚未設定CDDB伺服器，請在系統設定中選擇一個（例如 gnudb.gnudb.org）"},
        {"refused", refused, "", 0, "無法連線到 " + refused},
        {"time-out", host, "", -1, host + "：等候回應逾時"},
        {"HTTP status", host, "HTTP/1.0 403 Forbidden\r\n\r\n200 rock 9c0bc20c A / B\r\n", 1,
         host + "：網站回應錯誤：HTTP/1.0 403 Forbidden"},
        {"not HTTP", host, "200 rock 9c0bc20c Artist / Album\r\n\r\n", 1, host + "：回應無法讀取"},
        {"CDDB error", host, CddbTestServer::ok("409 No handshake\r\n"), 1, host + RefusedText + "409 No handshake"},
    };
    for (const auto& c : cases) {
        writeSettings("someone@example.org", c.hostSetting);
        const bool silent = c.reply.empty();
        if (silent)
            clock.onProcessEvents = nullptr; // nothing will come to let go
        else
            server.addReply(c.reply);
        person.boxes.clear();
        const std::size_t before = server.requests().size();

        EXPECT_EQ(lookUp(), CddbLookup::Failed) << c.what;
        ASSERT_EQ(person.boxes.size(), 1u) << c.what;
        EXPECT_EQ(person.boxes[0].text, c.message) << c.what;
        EXPECT_EQ(person.boxes[0].icon, BoxIcon::Warning) << c.what;
        if (c.requests >= 0) {
            EXPECT_EQ(server.requests().size(), before + static_cast<std::size_t>(c.requests)) << c.what;
        }
        EXPECT_TRUE(lookup.resultText().empty());
        expectSettled();
        clock.onProcessEvents = [this] { server.answerNext(); };
    }
    EXPECT_EQ(reader.reads, 6);
}

TEST_F(CddbLookupTest, SilentServerTimesOutOnTheClock)
{
    clock.onProcessEvents = nullptr; // nothing will ever come
    const auto started = std::chrono::steady_clock::now();
    const std::int64_t virtualStart = clock.nowMs();

    EXPECT_EQ(lookUp(), CddbLookup::Failed);

    const auto realMs =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started)
            .count();
    EXPECT_LT(realMs, 3000);
    const std::int64_t waited = clock.nowMs() - virtualStart;
    EXPECT_GE(waited, 10'000);
    EXPECT_LE(waited, 10'500);
    EXPECT_EQ(clock.eventRuns, static_cast<int>(clock.sleeps.size()));
    ASSERT_EQ(person.boxes.size(), 1u);
    EXPECT_EQ(person.boxes[0].text, server.hostSetting() + "：等候回應逾時");
    expectSettled();
}

TEST_F(CddbLookupTest, EmailWithoutAtSendsNothing)
{
    writeSettings("someone.example.org", server.hostSetting());
    server.addReply(CddbTestServer::ok("200 rock 9c0bc20c Artist / Album\r\n"));

    EXPECT_EQ(lookUp(), CddbLookup::Failed);
    ASSERT_EQ(person.boxes.size(), 1u);
    EXPECT_EQ(person.boxes[0].text, "請檢查您的e-Mail是否正確");
    EXPECT_EQ(person.boxes[0].icon, BoxIcon::Warning);
    EXPECT_EQ(person.boxes[0].buttons, BoxButtons::Ok);
    EXPECT_EQ(reader.reads, 0);
    EXPECT_EQ(server.connections(), 0);
    EXPECT_EQ(person.busyBegins, 0);
    expectSettled();
}

TEST_F(CddbLookupTest, MediaErrorShowsItsNumberAndText)
{
    reader.result = CdTocResult{};
    reader.result.error = {123, "No medium found"};

    EXPECT_EQ(lookUp(), CddbLookup::Failed);
    ASSERT_EQ(person.boxes.size(), 1u);
    EXPECT_EQ(person.boxes[0].text, "errorcode=123\n\rNo medium found");
    EXPECT_EQ(person.boxes[0].icon, BoxIcon::Information);
    EXPECT_EQ(server.connections(), 0);
    expectSettled();
}

TEST_F(CddbLookupTest, SecondLookupWhileOneWaitsIsRefused)
{
    server.addReply(CddbTestServer::ok("200 rock 9c0bc20c Artist / Album\r\n"));
    server.addReply(CddbTestServer::ok(Entry));
    std::vector<CddbLookup::Result> nested;
    clock.onProcessEvents = [&] {
        nested.push_back(lookUp());
        server.answerNext();
    };

    EXPECT_EQ(lookUp(), CddbLookup::Found);
    ASSERT_FALSE(nested.empty());
    for (const auto result : nested)
        EXPECT_EQ(result, CddbLookup::Refused);
    EXPECT_EQ(reader.reads, 1);
    EXPECT_EQ(server.requests().size(), 2u);
    EXPECT_EQ(lookup.resultText(), EntryText);
    expectSettled();

    // Once it has ended, the next lookup runs.
    clock.onProcessEvents = [this] { server.answerNext(); };
    server.addReply(CddbTestServer::ok("202 No match\r\n"));
    EXPECT_EQ(lookUp(), CddbLookup::Failed);
    EXPECT_EQ(reader.reads, 2);
}

TEST_F(CddbLookupTest, FailureDropsTheEarlierResult)
{
    server.addReply(CddbTestServer::ok("200 rock 9c0bc20c Artist / Album\r\n"));
    server.addReply(CddbTestServer::ok(Entry));
    ASSERT_EQ(lookUp(), CddbLookup::Found);
    ASSERT_FALSE(lookup.resultText().empty());

    writeSettings("someone@example.org", "");
    EXPECT_EQ(lookUp(), CddbLookup::Failed);
    EXPECT_TRUE(lookup.resultText().empty());
}

} // namespace
} // namespace kavro
