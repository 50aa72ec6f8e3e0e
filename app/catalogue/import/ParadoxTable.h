#pragma once

#include "catalogue/database/DbResult.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct px_doc;

namespace kavro {

// One row of a Paradox table, its fields by name (found without regard to case).
class ParadoxRow {
public:
    // Alphanumeric and memo fields as UTF-8 without their NUL padding; numbers in decimal; "" for
    // a null or unknown field.
    std::string text(std::string_view field) const;
    // Number fields as numbers, a text field read as a decimal number; nullopt when null, unknown
    // or not a number.
    std::optional<double> number(std::string_view field) const;

private:
    friend class ParadoxTable;
    struct Value {
        std::string text;
        std::optional<double> number;
    };
    const Value* find(std::string_view field) const;
    std::vector<std::pair<std::string, Value>> m_fields;
};

// A Paradox table read through pxlib. Text fields are read as raw bytes and decoded here (the
// header's code page, Big5 as fallback), not by pxlib, whose own conversion may cut long texts
// and trusts a code page that older tables often name wrongly.
class ParadoxTable {
public:
    struct Field {
        std::string name;
        int type = 0; // pxlib's field type
        int length = 0;
    };

    ParadoxTable() = default;
    ~ParadoxTable();
    ParadoxTable(const ParadoxTable&) = delete;
    ParadoxTable& operator=(const ParadoxTable&) = delete;

    // Opens the table read-only; a memo file (same name, ".MB") beside it is used when present.
    DbStatus open(const std::filesystem::path& file);
    void close();
    bool isOpen() const { return m_doc != nullptr; }

    int rowCount() const;
    int codePage() const;
    const std::vector<Field>& fields() const { return m_fields; }
    bool hasField(std::string_view name) const;

    // Row n, from 0. A row that cannot be read (a damaged or cut file) is an error.
    DbResult<ParadoxRow> row(int n);

private:
    static void onError(px_doc* doc, int level, const char* message, void* self);

    px_doc* m_doc = nullptr;
    std::filesystem::path m_file;
    std::vector<Field> m_fields;
    std::vector<char> m_record;
    std::uintmax_t m_fileSize = 0;
    bool m_hasMemoFile = false;
    std::string m_errors;
};

} // namespace kavro
