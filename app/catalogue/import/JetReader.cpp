#include "catalogue/import/JetReader.h"

#include "catalogue/import/OldCatalogueText.h"
#include "platform/Text.h"

// glib's C++ parts must come before mdbtools opens its extern "C" block.
#include <glib.h>
#include <mdbtools.h>

#include <cstdlib>
#include <optional>

namespace kavro {

namespace {

// Memo texts longer than this are cut by mdbtools; far more than a remark or a Misc1 text holds.
constexpr std::size_t kBindSize = 1 << 20;
constexpr const char* kDateFormat = "%Y-%m-%d %H:%M:%S";

// Sets an environment variable for the life of the object, then puts the old value back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : m_name(name)
    {
        if (const char* old = std::getenv(name))
            m_old = std::string(old);
        setenv(name, value, 1);
    }
    ~ScopedEnv()
    {
        if (m_old)
            setenv(m_name, m_old->c_str(), 1);
        else
            unsetenv(m_name);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

// mdbtools gives Jet 3 text as UTF-8 of the page it was told; told ISO-8859-1, every character
// is one stored byte, so the stored bytes come back unchanged.
std::string latin1Bytes(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if ((c & 0xE0) == 0xC0 && c <= 0xC3 && i + 1 < utf8.size()) {
            out += static_cast<char>(((c & 0x03) << 6) | (static_cast<unsigned char>(utf8[i + 1]) & 0x3F));
            ++i;
        } else {
            return std::string(utf8); // not what ISO-8859-1 gives: leave it
        }
    }
    return out;
}

std::optional<long long> readInteger(std::string_view s)
{
    const std::string t = text::trimBlanks(s);
    if (t.empty())
        return std::nullopt;
    char* end = nullptr;
    const long long v = std::strtoll(t.c_str(), &end, 10);
    if (end == t.c_str())
        return std::nullopt;
    return v;
}

} // namespace

struct JetReader::Impl {
    MdbHandle* mdb = nullptr;
    bool rawJet3 = false; // Jet 3 text arrives as its stored bytes, decoded here
};

struct JetTable::Impl {
    MdbTableDef* table = nullptr;
    std::vector<std::vector<char>> buffers;
    std::vector<int> lengths;
    bool onRow = false;
};

JetReader::JetReader() : m_impl(std::make_unique<Impl>()) {}

JetReader::~JetReader()
{
    close();
}

bool JetReader::isOpen() const
{
    return m_impl->mdb != nullptr;
}

bool JetReader::isJet3() const
{
    return m_impl->mdb && m_impl->mdb->f->jet_version == MDB_VER_JET3;
}

DbStatus JetReader::open(const std::filesystem::path& file)
{
    close();
    m_file = file;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec))
        return DbStatus::failure("The file " + file.string() + " does not exist.");
    const bool pageGiven = std::getenv("MDB_JET3_CHARSET") != nullptr;
    {
        // mdbtools reads both variables when it opens the file.
        ScopedEnv target("MDBICONV", "UTF-8");
        std::optional<ScopedEnv> jet3;
        if (!pageGiven)
            jet3.emplace("MDB_JET3_CHARSET", "ISO-8859-1");
        m_impl->mdb = mdb_open(file.c_str(), MDB_NOFLAGS);
    }
    if (!m_impl->mdb)
        return DbStatus::failure("Cannot open " + file.string() + ": it is not a Jet database.");
    m_impl->rawJet3 = !pageGiven && isJet3();
    MdbHandle* mdb = m_impl->mdb;
    mdb_set_bind_size(mdb, kBindSize);
    mdb_set_date_fmt(mdb, kDateFormat);
    mdb_set_shortdate_fmt(mdb, kDateFormat);
    mdb_set_boolean_fmt_numbers(mdb);

    if (!mdb_read_catalog(mdb, MDB_TABLE)) {
        close();
        return DbStatus::failure("Cannot read the table list of " + file.string() + ".");
    }
    for (unsigned i = 0; i < mdb->num_catalog; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
        if (entry && entry->object_type == MDB_TABLE && mdb_is_user_table(entry))
            m_tables.emplace_back(entry->object_name);
    }
    return {};
}

void JetReader::close()
{
    if (m_impl->mdb)
        mdb_close(m_impl->mdb);
    m_impl->mdb = nullptr;
    m_impl->rawJet3 = false;
    m_tables.clear();
}

std::string JetReader::findTable(std::string_view name) const
{
    for (const auto& t : m_tables) {
        if (text::equalsIgnoreAsciiCase(t, name))
            return t;
    }
    return {};
}

DbResult<std::unique_ptr<JetTable>> JetReader::table(std::string_view name)
{
    using Result = DbResult<std::unique_ptr<JetTable>>;
    if (!isOpen())
        return Result::failure("The Jet database is not open.");
    std::string stored = findTable(name);
    if (stored.empty())
        return Result::failure(m_file.string() + " has no table " + std::string(name) + ".");
    MdbTableDef* def = mdb_read_table_by_name(m_impl->mdb, stored.data(), MDB_TABLE);
    if (!def)
        return Result::failure("Cannot read the table " + stored + " of " + m_file.string() + ".");
    std::unique_ptr<JetTable> t(new JetTable(*this, stored));
    t->m_impl->table = def;
    if (!mdb_read_columns(def)) {
        return Result::failure("Cannot read the columns of the table " + stored + " of " + m_file.string() +
                               ".");
    }
    mdb_rewind_table(def);
    const unsigned count = def->num_cols;
    t->m_impl->buffers.resize(count);
    t->m_impl->lengths.assign(count, 0);
    for (unsigned c = 0; c < count; ++c) {
        auto* col = static_cast<MdbColumn*>(g_ptr_array_index(def->columns, c));
        t->m_columns.push_back({col->name, col->col_type});
        t->m_impl->buffers[c].assign(kBindSize, '\0');
        mdb_bind_column(def, static_cast<int>(c + 1), t->m_impl->buffers[c].data(), &t->m_impl->lengths[c]);
    }
    return Result(std::move(t));
}

JetTable::JetTable(JetReader& reader, std::string name)
    : m_reader(reader), m_name(std::move(name)), m_impl(std::make_unique<Impl>())
{
}

JetTable::~JetTable()
{
    if (m_impl->table)
        mdb_free_tabledef(m_impl->table);
}

int JetTable::columnIndex(std::string_view name) const
{
    for (std::size_t i = 0; i < m_columns.size(); ++i) {
        if (text::equalsIgnoreAsciiCase(m_columns[i].name, name))
            return static_cast<int>(i);
    }
    return -1;
}

int JetTable::rowCount() const
{
    return m_impl->table ? static_cast<int>(m_impl->table->num_rows) : 0;
}

bool JetTable::next()
{
    m_impl->onRow = m_impl->table && m_reader.isOpen() && mdb_fetch_row(m_impl->table);
    return m_impl->onRow;
}

DbValue JetTable::value(std::string_view column)
{
    return value(columnIndex(column));
}

DbValue JetTable::value(int column)
{
    if (!m_impl->onRow || column < 0 || column >= static_cast<int>(m_columns.size()))
        return DbValue::null();
    const auto c = static_cast<std::size_t>(column);
    const int length = m_impl->lengths[c];
    const char* data = m_impl->buffers[c].data();
    const int type = m_columns[c].type;

    if (type == MDB_OLE) {
        // The bound buffer holds only the value's header; the bytes live in a chain of pages. A
        // null value leaves no header, and the buffer may still hold the previous row's.
        if (length < MDB_MEMO_OVERHEAD)
            return DbValue::null();
        auto* col = static_cast<MdbColumn*>(g_ptr_array_index(m_impl->table->columns, c));
        std::size_t size = 0;
        void* bytes = mdb_ole_read_full(m_reader.m_impl->mdb, col, &size);
        DbValue v = bytes && size > 0 ? DbValue::blob(std::string(static_cast<const char*>(bytes), size))
                                      : DbValue::null();
        std::free(bytes);
        return v;
    }
    if (length <= 0)
        return DbValue::null();
    const std::string_view s(data, std::min(static_cast<std::size_t>(length), kBindSize));
    switch (type) {
    case MDB_BOOL:
    case MDB_BYTE:
    case MDB_INT:
    case MDB_LONGINT:
        if (auto v = readInteger(s))
            return DbValue(*v);
        return DbValue::null();
    case MDB_MONEY:
    case MDB_FLOAT:
    case MDB_DOUBLE:
    case MDB_NUMERIC: {
        const std::string t(s);
        char* end = nullptr;
        const double d = std::strtod(t.c_str(), &end);
        return end == t.c_str() ? DbValue::null() : DbValue(d);
    }
    case MDB_BINARY:
        return DbValue::blob(std::string(s));
    case MDB_TEXT:
    case MDB_MEMO:
        if (m_reader.m_impl->rawJet3)
            return DbValue(DecodeCodePageText(latin1Bytes(s), m_reader.m_impl->mdb->f->code_page));
        return DbValue(std::string(s));
    default:
        return DbValue(std::string(s));
    }
}

} // namespace kavro
