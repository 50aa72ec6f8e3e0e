#pragma once

#include "catalogue/database/DbResult.h"
#include "catalogue/database/DbValue.h"

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kavro {

class JetTable;

// A Jet database file (Access 97 to 2003, the older program's catalogue) read through mdbtools,
// read-only. Jet 4 text is Unicode. Jet 3 text is in the code page of the Windows that wrote it,
// which the file does not reliably name: it is read as UTF-8 when valid, else as Big5, unless
// the environment variable MDB_JET3_CHARSET names the page.
class JetReader {
public:
    JetReader();
    ~JetReader();
    JetReader(const JetReader&) = delete;
    JetReader& operator=(const JetReader&) = delete;

    DbStatus open(const std::filesystem::path& file);
    void close();
    bool isOpen() const;
    bool isJet3() const;
    const std::filesystem::path& file() const { return m_file; }

    // Names of the user tables (system tables left out).
    const std::vector<std::string>& tableNames() const { return m_tables; }
    // The stored spelling of a table name compared without regard to case; empty when absent.
    std::string findTable(std::string_view name) const;

    // Opens a table for reading its rows from the first. The reader must outlive the table.
    DbResult<std::unique_ptr<JetTable>> table(std::string_view name);

private:
    friend class JetTable;
    struct Impl;
    std::unique_ptr<Impl> m_impl;
    std::filesystem::path m_file;
    std::vector<std::string> m_tables;
};

// The rows of one table of a JetReader, read in stored order.
class JetTable {
public:
    struct Column {
        std::string name;
        int type = 0; // mdbtools' column type
    };

    ~JetTable();
    JetTable(const JetTable&) = delete;
    JetTable& operator=(const JetTable&) = delete;

    const std::string& name() const { return m_name; }
    const std::vector<Column>& columns() const { return m_columns; }
    // Position of a column named without regard to case; -1 when there is none.
    int columnIndex(std::string_view name) const;
    // Number of rows as the table's definition gives it.
    int rowCount() const;

    // Moves to the next row (the first after opening); false past the last.
    bool next();

    // A field of the current row: whole numbers as integers, other numbers as reals, dates as
    // "YYYY-MM-DD HH:MM:SS", text and memo as UTF-8 text, long binary values as blobs of the
    // bytes as stored. Null for a null or empty value and for a column that does not exist.
    DbValue value(int column);
    DbValue value(std::string_view column);

private:
    friend class JetReader;
    struct Impl;
    JetTable(JetReader& reader, std::string name);

    JetReader& m_reader;
    std::string m_name;
    std::vector<Column> m_columns;
    std::unique_ptr<Impl> m_impl;
};

} // namespace kavro
