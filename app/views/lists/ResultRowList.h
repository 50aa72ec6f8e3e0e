#pragma once

#include <vector>

namespace kavro {

// One row of the search results: the disc it names.
struct ResultRow {
    int machine = 0;
    int slot = 0;
};

// ResultRowList: every search-result row of the run takes the next entry; entries are never
// reused while the program runs, so a row's index stays valid. The table grows as needed.
class ResultRowList {
public:
    int add(int machine, int slot)
    {
        m_rows.push_back({machine, slot});
        return static_cast<int>(m_rows.size()) - 1;
    }
    int count() const { return static_cast<int>(m_rows.size()); }
    bool valid(int index) const { return index >= 0 && index < count(); }
    const ResultRow& operator[](int index) const { return m_rows[static_cast<std::size_t>(index)]; }

private:
    std::vector<ResultRow> m_rows;
};

} // namespace kavro
