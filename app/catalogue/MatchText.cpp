#include "catalogue/MatchText.h"

#include <cstring>

namespace kavro {

namespace {

inline char fold(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - ('a' - 'A')) : c;
}

} // namespace

bool MatchText(std::string_view text, std::string_view pattern)
{
    return FoldedPattern(pattern).matches(text);
}

void FoldLettersInPlace(char* data, std::size_t size)
{
    // Written without branches so that the compiler can turn it into vector code.
    for (std::size_t i = 0; i < size; ++i) {
        const auto c = static_cast<unsigned char>(data[i]);
        const unsigned char lower = static_cast<unsigned char>(c - 'a') < 26u ? 1u : 0u;
        data[i] = static_cast<char>(c - (lower << 5));
    }
}

FoldedPattern::FoldedPattern(std::string_view pattern) : m_folded(pattern)
{
    FoldLettersInPlace(m_folded.data(), m_folded.size());
}

bool FoldedPattern::matches(std::string_view text) const
{
    const std::size_t m = m_folded.size();
    if (m == 0 || text.size() < m)
        return false;
    const char first = m_folded[0];
    const std::size_t last = text.size() - m;
    for (std::size_t i = 0; i <= last; ++i) {
        if (fold(text[i]) != first)
            continue;
        std::size_t k = 1;
        while (k < m && fold(text[i + k]) == m_folded[k])
            ++k;
        if (k == m)
            return true;
    }
    return false;
}

std::size_t FoldedPattern::findInFolded(std::string_view folded, std::size_t from) const
{
    if (m_folded.empty() || from > folded.size() || folded.size() - from < m_folded.size())
        return std::string_view::npos;
    const void* hit = ::memmem(folded.data() + from, folded.size() - from, m_folded.data(), m_folded.size());
    if (!hit)
        return std::string_view::npos;
    return static_cast<std::size_t>(static_cast<const char*>(hit) - folded.data());
}

} // namespace kavro
