// The host setting is typed by the person: a port of any length must read without overflow.
#include "cddb/CddbExchange.h"

#include <gtest/gtest.h>

#include <string>

namespace kavro {
namespace {

TEST(CddbHost, LongRunOfDigitsIsNoPort)
{
    const CddbEndpoint e = ParseCddbHost("host:" + std::string(40, '5'));
    EXPECT_EQ(e.host, "host");
    EXPECT_EQ(e.port, 80);
    const CddbEndpoint bracketed = ParseCddbHost("[::1]:" + std::string(40, '9'));
    EXPECT_EQ(bracketed.host, "::1");
    EXPECT_EQ(bracketed.port, 80);
}

} // namespace
} // namespace kavro
