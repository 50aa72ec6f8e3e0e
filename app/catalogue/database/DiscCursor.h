#pragma once

#include "catalogue/database/DbResult.h"
#include "catalogue/database/DbValue.h"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3_stmt;

namespace kavro {

class Database;

// The long-lived table cursor on the disc table: rows in table order (the order they were
// added), one current row, locate by column values, and appending, editing and deleting rows.
// A posted change reaches the file before post() returns (or with the enclosing transaction).
// Changes made to the table through other objects are picked up on the next move or read.
// Large binary fields are read only when asked for.
class DiscCursor {
public:
    enum class State { Closed, Browse, Edit, Insert };

    explicit DiscCursor(Database& db) : m_db(db) {}
    ~DiscCursor();
    DiscCursor(const DiscCursor&) = delete;
    DiscCursor& operator=(const DiscCursor&) = delete;

    // Opens the cursor on table and moves to its first row.
    DbStatus open(std::string_view table = "KAVRO");
    void close();
    bool isOpen() const { return m_state != State::Closed; }
    State state() const { return m_state; }
    const std::string& table() const { return m_table; }

    bool isEmpty();
    int recordCount();
    void first();
    void next();
    void prior();
    void last();
    bool eof();
    bool bof();
    // Reads the table's rows again, keeping the current row when it still exists.
    DbStatus requery();

    // Moves to the first row (in table order) whose columns equal values exactly; columnList
    // names the columns separated by ';' ("MachineNo;Slot"). Stays put when there is none.
    bool locate(std::string_view columnList, const std::vector<DbValue>& values);

    // Starts a new row; fields set afterwards go into it when it is posted.
    DbStatus append();
    // Puts the current row into edit.
    DbStatus edit();
    // Sets a field of the row being appended or edited. Texts for CHAR (n) columns are cut to
    // n characters.
    DbStatus setField(std::string_view name, DbValue value);
    // Writes the appended or edited row; the cursor stays on it.
    DbStatus post();
    // Drops the pending append or edit.
    void cancel();
    // Deletes the current row; the cursor moves to the row after it.
    DbStatus deleteRow();

    bool hasField(std::string_view name) const { return columnIndex(name) >= 0; }
    // A field of the current row (the pending value while appending or editing). CHAR values
    // come padded to their width. Null past the end or for an unknown name.
    DbValue field(std::string_view name);
    std::string text(std::string_view name) { return field(name).asText(); }
    std::int32_t integer(std::string_view name) { return field(name).asInt(); }

    // Hands the bytes of several fields of the current row to use, without copies: for large
    // binary fields read once (a stored tree). The views live only during the call. False when
    // there is no current row or a name is unknown.
    bool viewFields(const std::vector<std::string_view>& names,
                    const std::function<void(const std::vector<std::string_view>&)>& use);

    // Row id of the current row; 0 past the end.
    std::int64_t rowId();
    const std::string& lastError() const { return m_lastError; }

private:
    struct Column {
        std::string name;
        std::string type;
        std::optional<int> width;
        bool blob = false;
        int scalarIndex = -1; // position in the row read, -1 for blobs
    };

    int columnIndex(std::string_view name) const;
    void sync();
    DbStatus loadRowIds();
    void placeAt(std::int64_t rowid);
    bool loadRow();
    DbValue readBlob(int column);
    DbStatus fail(std::string text);
    void finaliseAll();

    Database& m_db;
    std::string m_table;
    State m_state = State::Closed;
    std::vector<Column> m_columns;
    std::vector<std::int64_t> m_rowIds;
    std::size_t m_pos = 0;
    std::int64_t m_stamp = -1;

    // The current row as read: scalars by scalarIndex, blobs once fetched.
    std::int64_t m_loadedRowId = 0;
    std::vector<DbValue> m_row;
    std::map<int, DbValue> m_blobs;

    // The pending append or edit.
    std::map<int, DbValue> m_pending;

    sqlite3_stmt* m_readRow = nullptr;
    std::map<int, sqlite3_stmt*> m_readBlob;
    std::map<std::string, sqlite3_stmt*> m_locators;
    std::string m_lastError;
};

} // namespace kavro
