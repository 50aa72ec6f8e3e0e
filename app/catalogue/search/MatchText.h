#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kavro {

// Every text search of the program: a byte-wise substring search in which only the letters a to
// z are folded to A to Z, on both sides. No other byte is folded and no character set is
// assumed, so a match may start at any byte; there are no wildcards. An empty text never
// matches a non-empty pattern, and an empty pattern matches nothing (the searches never run
// with one).
bool MatchText(std::string_view text, std::string_view pattern);

// Folds the letters a to z of a buffer to A to Z in place.
void FoldLettersInPlace(char* data, std::size_t size);

// A pattern folded once, for testing many texts or scanning large folded buffers.
class FoldedPattern {
public:
    explicit FoldedPattern(std::string_view pattern);

    bool empty() const { return m_folded.empty(); }
    std::size_t size() const { return m_folded.size(); }
    const std::string& folded() const { return m_folded; }

    // MatchText(text, pattern).
    bool matches(std::string_view text) const;

    // The first occurrence at or after from in a buffer folded with FoldLettersInPlace;
    // npos when there is none.
    std::size_t findInFolded(std::string_view folded, std::size_t from = 0) const;

private:
    std::string m_folded;
};

} // namespace kavro
