#include "cddb/CddbReply.h"
#include "cddb/CddbExchange.h"
#include "platform/Text.h"

#include <gtest/gtest.h>

namespace kavro {
namespace {

TEST(CddbReply, HttpChecks)
{
    EXPECT_EQ(CddbHttpBody("HTTP/1.0 200 OK\r\nServer: x\r\n\r\n200 rock"), "200 rock");
    EXPECT_EQ(CddbHttpBody("HTTP/1.1 200 OK\r\n\r\n"), "");
    EXPECT_FALSE(CddbHttpBody("HTTP/1.0 404 Not Found\r\n\r\n200 rock"));
    EXPECT_FALSE(CddbHttpBody("HTTP/1.0 200 OK\r\nServer: x\r\n")); // headers never end
    EXPECT_FALSE(CddbHttpBody("200 rock 1234 Title\r\n\r\n"));      // no HTTP at all
    EXPECT_FALSE(CddbHttpBody("HTTP/1.0 200 OK\n\n200 rock"));      // bare line feeds
    EXPECT_FALSE(CddbHttpBody(""));
}

TEST(CddbReply, QueryAnswers)
{
    const auto exact = CddbFirstMatch("200 rock 9c0bc20c Some Artist / Some Title\r\n");
    ASSERT_TRUE(exact);
    EXPECT_EQ(exact->category, "rock");
    EXPECT_EQ(exact->discId, "9c0bc20c");
    EXPECT_EQ(exact->title, "Some Artist / Some Title");

    const auto listed = CddbFirstMatch("211 Found inexact matches, list follows (until terminating `.')\r\n"
                                       "jazz 9c0bc20b First / Match\r\n"
                                       "blues 9c0bc20d Second / Match\r\n.\r\n");
    ASSERT_TRUE(listed);
    EXPECT_EQ(listed->category, "jazz");
    EXPECT_EQ(listed->discId, "9c0bc20b");
    EXPECT_EQ(listed->title, "First / Match");

    EXPECT_TRUE(CddbFirstMatch("210 Found exact matches\nmisc 0a0b0c0d T\n.\n"));
    EXPECT_FALSE(CddbFirstMatch("211 Found inexact matches\r\n.\r\n"));
    EXPECT_FALSE(CddbFirstMatch("211 Found inexact matches\r\n"));
    EXPECT_FALSE(CddbFirstMatch("202 No match found\r\n"));
    EXPECT_FALSE(CddbFirstMatch("200 rock\r\n"));
    EXPECT_FALSE(CddbFirstMatch(""));
    // The category is sent back inside a form body.
    EXPECT_FALSE(CddbFirstMatch("200 rock&cmd=x 9c0bc20c T\r\n"));
    EXPECT_FALSE(CddbFirstMatch("210 list\r\nro%26ck 9c0bc20c T\r\n.\r\n"));
}

TEST(CddbReply, EntryText)
{
    const auto text = CddbEntryText("210 rock 9c0bc20c CD database entry follows (until terminating `.')\r\n"
                                    "# xmcd\r\n"
                                    "# TTITLE0=not a title\r\n"
                                    "DISCID=9c0bc20c\r\n"
                                    "DTITLE=Artist / Album\r\n"
                                    "DYEAR=1999\r\n"
                                    "TTITLE0=Intro\r\n"
                                    "TTITLE1=Song = with equals\r\n"
                                    "EXTD=\r\n"
                                    "TTITLE2=\r\n"
                                    ".\r\n"
                                    "TTITLE3=after the end\r\n");
    ASSERT_TRUE(text);
    EXPECT_EQ(*text, "Artist / Album\r\n\r\n01. Intro\r\n02. Song = with equals\r\n03. \r\n");
    EXPECT_FALSE(CddbEntryText("401 rock 9c0bc20c No such CD entry in database.\r\n"));
    EXPECT_FALSE(CddbEntryText(""));
    EXPECT_EQ(CddbEntryText("210 rock 1 x\r\n.\r\n"), std::string());
}

TEST(CddbReply, ContinuedLinesAreJoined)
{
    // A value too long for one line goes on in the next line of the same key.
    const struct {
        const char* entry;
        const char* text;
    } cases[] = {
        {"DTITLE=A very long artist name / and an album ti\nDTITLE=tle that goes on\nTTITLE0=One\n",
         "A very long artist name / and an album title that goes on\r\n\r\n01. One\r\n"},
        {"DTITLE=A / B\nTTITLE0=One\nTTITLE1=Two, part A,\nTTITLE1= part B\nTTITLE2=Three\n",
         "A / B\r\n\r\n01. One\r\n02. Two, part A, part B\r\n03. Three\r\n"},
        // Continued after another key still belongs to its own track.
        {"DTITLE=A / B\nTTITLE0=One\nTTITLE1=Two\nTTITLE0= more\n", "A / B\r\n\r\n01. One more\r\n02. Two\r\n"},
        // Escapes: a line break and a tab become spaces, a doubled backslash one backslash.
        {"DTITLE=A\\nB / C\\\\D\nTTITLE0=x\\ty\n", "A B / C\\D\r\n\r\n01. x y\r\n"},
        // A continuation that splits a UTF-8 character between lines joins it whole.
        {"DTITLE=\xE5\x91\xA8\xE6\x9D\xB0\xE5\x80\xAB / \xE8\x8C\x83\nDTITLE=\xE7\x89\xB9\xE8\xA5\xBF\nTTITLE0=\xE6\x84\x9B\n"
         "TTITLE0=\xE5\x9C\xA8\xE8\xA5\xBF\xE5\x85\x83\xE5\x89\x8D\n",
         "\xE5\x91\xA8\xE6\x9D\xB0\xE5\x80\xAB / \xE8\x8C\x83\xE7\x89\xB9\xE8\xA5\xBF\r\n\r\n"
         "01. \xE6\x84\x9B\xE5\x9C\xA8\xE8\xA5\xBF\xE5\x85\x83\xE5\x89\x8D\r\n"},
    };
    for (const auto& c : cases) {
        const auto text = CddbEntryText(std::string("210 rock 9c0bc20c entry\n") + c.entry + ".\n");
        ASSERT_TRUE(text) << c.entry;
        EXPECT_EQ(*text, c.text) << c.entry;
    }
}

TEST(CddbReply, HttpStatusAndCode)
{
    const auto ok = ParseCddbHttp("HTTP/1.0 200 OK\r\nServer: x\r\n\r\n200 rock");
    EXPECT_TRUE(ok.http);
    EXPECT_EQ(ok.status, 200);
    EXPECT_EQ(ok.body, "200 rock");
    const auto forbidden = ParseCddbHttp("HTTP/1.1 403 Forbidden\r\n\r\n<html>");
    EXPECT_TRUE(forbidden.http);
    EXPECT_EQ(forbidden.status, 403);
    EXPECT_EQ(forbidden.statusLine, "HTTP/1.1 403 Forbidden");
    EXPECT_FALSE(ParseCddbHttp("HTTP/1.0 200 OK\r\n").http);
    EXPECT_FALSE(ParseCddbHttp("200 rock\r\n\r\n").http);
    EXPECT_EQ(ParseCddbHttp("HTTP/1.0 abc\r\n\r\n").status, -1);

    EXPECT_EQ(CddbCode("211 list"), 211);
    EXPECT_EQ(CddbCode("20"), -1);
    EXPECT_EQ(CddbCode("x00 y"), -1);
}

TEST(CddbReply, AllMatchesOfAList)
{
    const auto listed = CddbMatches("211 Found inexact matches, list follows (until terminating `.')\r\n"
                                    "jazz 9c0bc20b First / Match\r\n"
                                    "ro&ck 9c0bc20c Unsafe / Category\r\n"
                                    "blues 9c0bc20d Second / Match\r\n.\r\n"
                                    "misc 9c0bc20e After / The End\r\n");
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(listed[0].category, "jazz");
    EXPECT_EQ(listed[1].category, "blues");
    EXPECT_EQ(listed[1].title, "Second / Match");
    EXPECT_EQ(CddbMatches("200 rock 9c0bc20c A / B\r\n").size(), 1u);
    EXPECT_TRUE(CddbMatches("202 No match\r\n").empty());
}

TEST(CddbReply, ResultTextStaysWithin999Bytes)
{
    // Track lines of exactly 100 bytes: "NN. " + 94 bytes + CR LF. The title line takes 18.
    std::string body = "210 rock 1 entry\r\nDTITLE=Artist / Album\r\n";
    for (int i = 0; i < 12; ++i)
        body += "TTITLE" + std::to_string(i) + "=" + std::string(94, 'a' + i) + "\r\n";
    const auto text = CddbEntryText(body);
    ASSERT_TRUE(text);
    EXPECT_EQ(text->size(), 18u + 9 * 100);
    EXPECT_TRUE(text->ends_with("09. " + std::string(94, 'i') + "\r\n"));

    // A line that does not fit is left out, yet a shorter one after it still fits and keeps its number.
    body = "210 rock 1 entry\r\nDTITLE=" + std::string(900, 'x') + "\r\nTTITLE0=" + std::string(200, 'y') +
           "\r\nTTITLE1=short\r\n";
    const auto skipped = CddbEntryText(body);
    ASSERT_TRUE(skipped);
    EXPECT_EQ(*skipped, std::string(900, 'x') + "\r\n\r\n02. short\r\n");

    // A title longer than the whole text is cut, never inside a character ("é" is two bytes).
    std::string longTitle;
    for (int i = 0; i < 600; ++i)
        longTitle += "\xC3\xA9";
    const auto cut = CddbEntryText("210 rock 1 entry\r\nDTITLE=" + longTitle + "\r\nTTITLE0=x\r\n");
    ASSERT_TRUE(cut);
    EXPECT_LE(cut->size(), CddbResultTextLimit);
    EXPECT_TRUE(text::isValidUtf8(*cut));
    EXPECT_TRUE(cut->ends_with("\xC3\xA9\r\n\r\n"));
    EXPECT_EQ(cut->size(), 998u); // 497 characters of two bytes and the empty line; no room for 01
}

TEST(CddbReply, ServerTextBecomesUtf8)
{
    // Protocol level 5 answers in Latin-1; UTF-8 is kept as it is.
    const auto latin = CddbEntryText("210 rock 1 entry\r\nDTITLE=Bj\xF6rk / Deb\xFBt\r\nTTITLE0=Caf\xE9\r\n");
    ASSERT_TRUE(latin);
    EXPECT_EQ(*latin, "Bj\xC3\xB6rk / Deb\xC3\xBBt\r\n\r\n01. Caf\xC3\xA9\r\n");
    EXPECT_EQ(CddbTextToUtf8("Bj\xC3\xB6rk"), "Bj\xC3\xB6rk");
    EXPECT_EQ(CddbTextToUtf8("\xFF"), "\xC3\xBF");
    // Level 6 answers in UTF-8: Chinese and Japanese titles arrive whole.
    const auto utf8 = CddbEntryText("210 misc 1 entry\r\nDTITLE=\xE5\xAE\x87\xE5\xA4\x9A\xE7\x94\xB0 / "
                                    "\xE5\x88\x9D\xE6\x81\x8B\r\nTTITLE0=\xE6\x84\x9B\r\n");
    ASSERT_TRUE(utf8);
    EXPECT_EQ(*utf8, "\xE5\xAE\x87\xE5\xA4\x9A\xE7\x94\xB0 / \xE5\x88\x9D\xE6\x81\x8B\r\n\r\n01. \xE6\x84\x9B\r\n");
}

TEST(CddbReply, Refusal)
{
    EXPECT_EQ(CddbRefusal("530 Client banned\r\nmore\r\n"), "530 Client banned");
    EXPECT_EQ(CddbRefusal("409 No handshake"), "409 No handshake");
    EXPECT_EQ(CddbRefusal("202 No match found\r\n"), "");
    EXPECT_EQ(CddbRefusal("5 short"), "");
    EXPECT_EQ(CddbRefusal(""), "");
}

TEST(CddbExchange, HostSetting)
{
    auto e = ParseCddbHost("gnudb.gnudb.org");
    EXPECT_EQ(e.host, "gnudb.gnudb.org");
    EXPECT_EQ(e.port, 80);
    e = ParseCddbHost("  127.0.0.1:8880 ");
    EXPECT_EQ(e.host, "127.0.0.1");
    EXPECT_EQ(e.port, 8880);
    e = ParseCddbHost("[::1]:8080");
    EXPECT_EQ(e.host, "::1");
    EXPECT_EQ(e.port, 8080);
    e = ParseCddbHost("::1");
    EXPECT_EQ(e.host, "::1");
    EXPECT_EQ(e.port, 80);
    e = ParseCddbHost("host:99999"); // not a port: the default stays
    EXPECT_EQ(e.host, "host");
    EXPECT_EQ(e.port, 80);
    e = ParseCddbHost("host:8a");
    EXPECT_EQ(e.port, 80);
    EXPECT_EQ(ParseCddbHost("").host, "");
}

} // namespace
} // namespace kavro
