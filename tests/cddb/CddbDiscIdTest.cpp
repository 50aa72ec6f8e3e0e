#include "cddb/CddbDiscId.h"
#include "cddb/CddbRequest.h"

#include <gtest/gtest.h>

namespace kavro {
namespace {

// Twelve tracks starting at seconds 2, 185, 402, ...; the lead-out at 50:12 and 37 frames.
CdToc twelveTracks()
{
    CdToc toc;
    toc.trackStarts = {150,    13895,  30153,  48449,  67725,  89036,
                       106545, 127410, 144751, 166155, 186527, 207070};
    toc.leadOut = 3012 * 75 + 37;
    return toc;
}

TEST(CddbDiscId, TwelveTrackDisc)
{
    const CdToc toc = twelveTracks();
    // 2 + (1+8+5) + (4+0+2) + (6+4+5) + (9+0+3) + (1+1+8+7) + (1+4+2+0) + (1+6+9+8) + (1+9+3+0)
    // + (2+2+1+5) + (2+4+8+7) + (2+7+6+0) = 156; 3012 - 2 = 3010 seconds = 0xbc2; 12 tracks.
    EXPECT_EQ(CddbDigitSum(toc), 156);
    EXPECT_EQ(CddbDiscSeconds(toc), 3012);
    EXPECT_EQ(CddbDiscId(toc), 0x9c0bc20cu);
}

TEST(CddbDiscId, DigitSumIsTakenModulo255)
{
    CdToc toc;
    for (const int second : {2, 17, 2999, 3899, 3989, 3998, 4799, 4889, 4898, 4979, 4988, 4997})
        toc.trackStarts.push_back(second * 75 + 74); // the frames never round the second up
    toc.leadOut = 5000 * 75;
    ASSERT_EQ(CddbDigitSum(toc), 300);
    EXPECT_EQ(CddbDiscId(toc) >> 24, 45u);
    EXPECT_EQ(CddbDiscId(toc), 0x2d13860cu);
}

TEST(CddbRequest, QueryAndReadBodiesAndHeader)
{
    CdToc toc;
    toc.trackStarts = {150, 22650, 45000};
    toc.leadOut = 60000 + 37;
    // Digits 2 + (3+0+2) + 6 = 13, 800 - 2 = 798 seconds: written without leading zeros.
    const std::uint32_t id = CddbDiscId(toc);
    ASSERT_EQ(id, 0x0d031e03u);
    const std::string greeting = CddbGreeting("someone@example.org");
    const std::string version(KavroVersion());
    EXPECT_EQ(greeting, "&hello=someone+example.org+Kavro+" + version + "&proto=6");
    EXPECT_EQ(CddbQueryBody(toc, id, greeting), "cmd=cddb+query+d031e03+3+150+22650+45000+800" + greeting);
    EXPECT_EQ(CddbReadBody("rock", id, greeting), "cmd=cddb+read+rock+d031e03" + greeting);
    EXPECT_EQ(CddbRequestHeader({"gnudb.gnudb.org", 80}, 97),
              "POST /~cddb/cddb.cgi HTTP/1.0\r\nHost: gnudb.gnudb.org\r\nUser-Agent: Kavro/" + version +
                  "\r\nContent-Type: application/x-www-form-urlencoded\r\nContent-Length: 97\r\n\r\n");
}

TEST(CddbRequest, GreetingAndHostHeaderCarryOnlySafeBytes)
{
    const std::string tail = "+Kavro+" + std::string(KavroVersion()) + "&proto=6";
    const struct {
        const char* email;
        std::string greeting;
    } greetings[] = {
        {"a.b_c-d@mail.example.org", "&hello=a.b_c-d+mail.example.org" + tail},
        {"me+cd@x.org", "&hello=me%2Bcd+x.org" + tail},          // '+' separates fields
        {"a b&proto=1@x", "&hello=a%20b%26proto%3D1+x" + tail}, // no second form field
        {"nobody", "&hello=nobody+" + tail},
    };
    for (const auto& g : greetings)
        EXPECT_EQ(CddbGreeting(g.email), g.greeting) << g.email;

    const struct {
        CddbEndpoint server;
        const char* host;
    } hosts[] = {
        {{"127.0.0.1", 8080}, "Host: 127.0.0.1:8080\r\n"},
        {{"::1", 80}, "Host: [::1]\r\n"},
        {{"::1", 8880}, "Host: [::1]:8880\r\n"},
    };
    for (const auto& h : hosts)
        EXPECT_NE(CddbRequestHeader(h.server, 1).find(h.host), std::string::npos) << h.host;
}

} // namespace
} // namespace kavro
