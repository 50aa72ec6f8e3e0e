#include "catalogue/import/ParadoxTable.h"

#include "catalogue/import/OldCatalogueText.h"
#include "platform/Text.h"

extern "C" {
#include <paradox.h>
}

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace kavro {

namespace {

std::string decimal(double v)
{
    char buffer[64];
    if (std::isfinite(v) && std::fabs(v) < 1e15 && v == std::floor(v))
        std::snprintf(buffer, sizeof buffer, "%.0f", v);
    else
        std::snprintf(buffer, sizeof buffer, "%.15g", v);
    return buffer;
}

// The leading decimal number of a text, as the older program read its number columns.
std::optional<double> readNumber(std::string_view s)
{
    const std::string t = text::trimBlanks(s);
    if (t.empty())
        return std::nullopt;
    char* end = nullptr;
    const double v = std::strtod(t.c_str(), &end);
    if (end == t.c_str() || !std::isfinite(v))
        return std::nullopt;
    return v;
}

std::string_view untilNul(const char* data, int length)
{
    std::string_view bytes(data, static_cast<std::size_t>(std::max(length, 0)));
    const auto nul = bytes.find('\0');
    return nul == std::string_view::npos ? bytes : bytes.substr(0, nul);
}

} // namespace

const ParadoxRow::Value* ParadoxRow::find(std::string_view field) const
{
    for (const auto& [name, value] : m_fields) {
        if (text::equalsIgnoreAsciiCase(name, field))
            return &value;
    }
    return nullptr;
}

std::string ParadoxRow::text(std::string_view field) const
{
    const Value* v = find(field);
    return v ? v->text : std::string();
}

std::optional<double> ParadoxRow::number(std::string_view field) const
{
    const Value* v = find(field);
    if (!v)
        return std::nullopt;
    if (v->number)
        return v->number;
    return readNumber(v->text);
}

ParadoxTable::~ParadoxTable()
{
    close();
}

void ParadoxTable::onError(px_doc*, int level, const char* message, void* self)
{
    if (level == PX_Warning || !self || !message)
        return;
    auto* table = static_cast<ParadoxTable*>(self);
    if (!table->m_errors.empty())
        table->m_errors += ' ';
    table->m_errors += message;
}

DbStatus ParadoxTable::open(const std::filesystem::path& file)
{
    close();
    static const bool booted = [] {
        PX_boot();
        return true;
    }();
    (void)booted;

    m_file = file;
    m_errors.clear();
    m_doc = PX_new3(&ParadoxTable::onError, nullptr, nullptr, nullptr, this);
    if (!m_doc)
        return DbStatus::failure("Cannot read Paradox tables (out of memory).");
    if (PX_open_file(m_doc, file.c_str()) < 0) {
        const std::string why = m_errors.empty() ? std::string("not a Paradox table") : m_errors;
        close();
        return DbStatus::failure("Cannot open the Paradox table " + file.string() + ": " + why);
    }
    const int count = PX_get_num_fields(m_doc);
    int recordSize = 0;
    for (int i = 0; i < count; ++i) {
        const pxfield_t* f = PX_get_field(m_doc, i);
        if (!f)
            continue;
        m_fields.push_back(
            {f->px_fname ? f->px_fname : "", static_cast<unsigned char>(f->px_ftype), f->px_flen});
        recordSize += std::max(f->px_flen, 0);
    }
    std::error_code ec;
    m_fileSize = std::filesystem::file_size(file, ec);
    const int declared = PX_get_recordsize(m_doc);
    if (declared <= 0 || recordSize > declared) {
        close();
        return DbStatus::failure("The Paradox table " + file.string() + " has a damaged header.");
    }
    m_record.assign(static_cast<std::size_t>(declared), '\0');

    // Memo fields keep their text in a file beside the table.
    for (const char* ext : {".MB", ".mb", ".Mb", ".mB"}) {
        std::filesystem::path memo = file;
        memo.replace_extension(ext);
        if (std::filesystem::is_regular_file(memo, ec) && PX_set_blob_file(m_doc, memo.c_str()) >= 0) {
            m_hasMemoFile = true;
            break;
        }
    }
    m_errors.clear();
    return {};
}

void ParadoxTable::close()
{
    if (m_doc) {
        PX_close(m_doc);
        PX_delete(m_doc);
        m_doc = nullptr;
    }
    m_fields.clear();
    m_record.clear();
    m_hasMemoFile = false;
}

int ParadoxTable::rowCount() const
{
    return m_doc ? std::max(PX_get_num_records(m_doc), 0) : 0;
}

int ParadoxTable::codePage() const
{
    return m_doc && m_doc->px_head ? m_doc->px_head->px_doscodepage : 0;
}

bool ParadoxTable::hasField(std::string_view name) const
{
    for (const auto& f : m_fields) {
        if (text::equalsIgnoreAsciiCase(f.name, name))
            return true;
    }
    return false;
}

DbResult<ParadoxRow> ParadoxTable::row(int n)
{
    if (!m_doc)
        return DbResult<ParadoxRow>::failure("The Paradox table is not open.");
    m_errors.clear();
    int deleted = 0;
    pxdatablockinfo_t where{};
    // pxlib reads past the end of a cut file as empty rows; such a row is damaged, not empty.
    if (n < 0 || n >= rowCount() || !PX_get_record2(m_doc, n, m_record.data(), &deleted, &where) ||
        where.recordpos < 0 || static_cast<std::uintmax_t>(where.recordpos) + m_record.size() > m_fileSize) {
        std::string why = m_errors.empty() ? std::string("the file is damaged or cut short") : m_errors;
        return DbResult<ParadoxRow>::failure("Row " + std::to_string(n + 1) + " of the Paradox table " +
                                             m_file.string() + " cannot be read: " + why);
    }

    ParadoxRow row;
    const int page = codePage();
    char* data = m_record.data();
    for (const Field& f : m_fields) {
        ParadoxRow::Value v;
        const int len = f.length;
        switch (f.type) {
        case pxfAlpha:
            v.text = DecodeCodePageText(untilNul(data, len), page);
            break;
        case pxfShort: {
            short int s = 0;
            if (PX_get_data_short(m_doc, data, len, &s) > 0)
                v.number = s;
            break;
        }
        case pxfLong:
        case pxfAutoInc:
        case pxfDate:
        case pxfTime: {
            long l = 0;
            if (PX_get_data_long(m_doc, data, len, &l) > 0)
                v.number = static_cast<double>(l);
            break;
        }
        case pxfNumber:
        case pxfCurrency:
        case pxfTimestamp: {
            double d = 0;
            if (PX_get_data_double(m_doc, data, len, &d) > 0)
                v.number = d;
            break;
        }
        case pxfLogical: {
            char b = 0;
            if (PX_get_data_byte(m_doc, data, len, &b) > 0)
                v.number = b ? 1 : 0;
            break;
        }
        case pxfMemoBLOb:
        case pxfFmtMemoBLOb: {
            // The record holds the memo's first bytes before a 10-byte pointer into the memo file.
            bool read = false;
            if (m_hasMemoFile) {
                int mod = 0;
                int size = 0;
                char* blob = nullptr;
                if (PX_get_data_blob(m_doc, data, len, &mod, &size, &blob) > 0 && blob && size > 0) {
                    v.text = DecodeCodePageText(untilNul(blob, size), page);
                    read = true;
                }
                if (blob)
                    m_doc->free(m_doc, blob);
            }
            if (!read && len > 10)
                v.text = DecodeCodePageText(untilNul(data, len - 10), page);
            break;
        }
        default:
            break;
        }
        if (v.number)
            v.text = decimal(*v.number);
        row.m_fields.emplace_back(f.name, std::move(v));
        data += std::max(len, 0);
    }
    return row;
}

} // namespace kavro
