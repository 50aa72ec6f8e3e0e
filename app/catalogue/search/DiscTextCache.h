#pragma once

#include "catalogue/database/DbResult.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

struct sqlite3;

namespace kavro {

class Database;

// What the searches test of one disc row, read the way ReadDiscRecord reads it.
struct DiscTexts {
    std::int64_t rowId = 0;
    int machine = 0;
    int slot = 0;
    int categoryId = 0;
    std::string title;      // TitleA trimmed, or the "Title=" line of Misc1
    std::string barcode;    // Barcode trimmed, or the "Barcode=" line of Misc1
    std::string remark;     // Remark
    std::string other;      // the "Other=" lines of Misc1
    std::string deviceType; // Devicetype trimmed
    int indexCount = 0;     // TreeIndexS
    int dataCount = 0;      // TreeDataS

    // Whether the row claims a stored tree; the blocks may still be too short to be one.
    bool hasTree() const { return indexCount >= 1 && dataCount >= 1; }
};

// The searchable fields of every disc row in table order, kept between searches. The quick
// search runs on every keystroke, and some of these columns lie behind a row's stored tree in
// the file, so reading them each time would cost a walk past every tree. After changes made
// through this connection only the changed rows are read again; after a change by any other
// connection, a rollback, or more changes than are worth reading one by one, the whole table.
class DiscTextCache {
public:
    // Brings the rows up to date with the file.
    DbStatus refresh(Database& db);
    const std::vector<DiscTexts>& rows() const { return m_rows; }
    // Drops the rows; the next refresh reads the table.
    void invalidate() { m_valid = false; }
    // How many times the whole table was read.
    int tableReads() const { return m_tableReads; }
    // How many changed rows were read one by one.
    int rowReads() const { return m_rowReads; }

private:
    DbStatus readTable(Database& db);
    // Brings the changed rows up to date; false when the whole table has to be read instead.
    bool readChangedRows(Database& db, std::span<const std::int64_t> changed);

    std::vector<DiscTexts> m_rows;
    bool m_valid = false;
    const sqlite3* m_handle = nullptr;
    std::int64_t m_dataVersion = 0;
    std::int64_t m_changeStamp = 0;
    std::uint64_t m_rowMark = 0;
    int m_tableReads = 0;
    int m_rowReads = 0;
};

} // namespace kavro
