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
    EXPECT_EQ(CddbQueryBody(toc, id), "cmd=cddb+query+d031e03+3+150+22650+45000+800"
                                      "&hello=test+kavro.localdomain+Pelmo+2.0.3.0&proto=5");
    EXPECT_EQ(CddbReadBody("rock", id),
              "cmd=cddb+read+rock+d031e03&hello=test+kavro.localdomain+Pelmo+2.0.3.0&proto=5");
    EXPECT_EQ(CddbRequestHeader(97), "POST /~cddb/cddb.cgi HTTP/1.0\r\nUser-Agent: Mozilla/3.0 "
                                     "(compatible)\r\nContent-Length: 97\r\n\r\n");
}

} // namespace
} // namespace kavro
