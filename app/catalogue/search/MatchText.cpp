#include "catalogue/search/MatchText.h"

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
    // Sixteen bytes at a time: the name pools of a whole catalogue pass through here.
    typedef unsigned char Bytes __attribute__((vector_size(16)));
    std::size_t i = 0;
    for (; i + sizeof(Bytes) <= size; i += sizeof(Bytes)) {
        Bytes v;
        std::memcpy(&v, data + i, sizeof v);
        const Bytes lower = (v >= 'a') & (v <= 'z');
        v -= lower & static_cast<unsigned char>('a' - 'A');
        std::memcpy(data + i, &v, sizeof v);
    }
    for (; i < size; ++i)
        data[i] = fold(data[i]);
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
