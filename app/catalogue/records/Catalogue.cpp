#include "catalogue/records/Catalogue.h"

#include "catalogue/database/CatalogueSchema.h"
#include "catalogue/database/JetSchema.h"
#include "platform/Clock.h"

namespace kavro {

Catalogue::Catalogue(std::filesystem::path programFolder, Person& person, const Texts& texts, Clock& clock)
    : m_programFolder(std::move(programFolder)), m_person(person), m_texts(texts), m_clock(clock)
{
}

Catalogue::~Catalogue()
{
    close();
}

std::filesystem::path Catalogue::databaseFile() const
{
    return m_programFolder / schema::kFileName;
}

std::filesystem::path Catalogue::dataFolder() const
{
    return m_programFolder / "Data";
}

DbStatus Catalogue::open()
{
    close();
    std::error_code ec;
    if (!std::filesystem::is_directory(m_programFolder, ec))
        return DbStatus::failure("The program folder " + m_programFolder.string() + " does not exist.");
    if (auto s = m_database.open(databaseFile()); !s)
        return s;

    // Every failure names the file, so the person knows which catalogue could not be opened.
    auto fail = [this](DbStatus s) {
        close();
        const std::string file = databaseFile().string();
        if (s.error().find(file) == std::string::npos)
            return DbStatus::failure("The catalogue " + file + " cannot be opened: " + s.error());
        return s;
    };

    auto names = m_database.tableNames();
    if (!names)
        return fail(names.status());
    // A new catalogue keeps pointer maps. A column stored behind a disc's stored tree (category,
    // device type, the tree's second half) can then be reached without reading every page of
    // the tree before it, which is what makes the start and the searches fast on big catalogues.
    // Free pages stay in the file as before; this only takes effect before the first table.
    if (names->empty()) {
        if (auto s = m_database.exec("PRAGMA auto_vacuum=INCREMENTAL"); !s)
            return fail(s);
    }
    for (const auto& table : schema::kTables) {
        bool present = false;
        for (const auto& n : *names)
            present = present || n == table.name; // exact, case-sensitive
        if (present)
            continue;
        // A fresh command object for each statement.
        DbCommand command(m_database);
        if (auto s = command.execute(table.create); !s)
            return fail(DbStatus::failure("Cannot create the table " + std::string(table.name) + " in " +
                                          databaseFile().string() + ": " + s.error()));
    }
    // Tables written by other means may lack the numbering of Serial; give it to them.
    for (const auto& table : schema::kTables) {
        auto cols = m_database.columns(table.name);
        if (!cols)
            return fail(cols.status());
        bool hasSerial = false;
        for (const auto& c : *cols)
            hasSerial = hasSerial || c.name == "Serial";
        if (!hasSerial)
            continue;
        for (const auto& statement : jet::counterStatements(table.name, {"Serial", 0, 1}, false)) {
            if (auto s = m_database.exec(statement); !s)
                return fail(s);
        }
    }
    // Every disc lookup goes by machine and slot.
    if (auto s =
            m_database.exec("CREATE INDEX IF NOT EXISTS KAVRO_MachineNo_Slot ON KAVRO (MachineNo, Slot)");
        !s)
        return fail(s);

    m_cursor = std::make_unique<DiscCursor>(m_database);
    if (auto s = m_cursor->open(schema::kKavro); !s)
        return fail(s);
    m_cursor->first();
    m_listing = std::make_unique<Query>(m_database);
    m_probe = std::make_unique<Query>(m_database);
    m_change = std::make_unique<Query>(m_database);
    m_command = std::make_unique<DbCommand>(m_database);
    m_clock.processEvents();
    return {};
}

void Catalogue::close()
{
    m_cursor.reset();
    m_listing.reset();
    m_probe.reset();
    m_change.reset();
    m_command.reset();
    m_database.close();
}

void Catalogue::setMachineNameLookup(std::function<std::string(int)> lookup)
{
    m_machineName = std::move(lookup);
}

std::string Catalogue::machineName(int machine) const
{
    if (m_machineName)
        return m_machineName(machine);
    return std::to_string(machine);
}

void Catalogue::setDiscRemovedHandler(std::function<void(int, int)> handler)
{
    m_discRemoved = std::move(handler);
}

void Catalogue::notifyDiscRemoved(int machine, int slot)
{
    if (m_discRemoved)
        m_discRemoved(machine, slot);
}

} // namespace kavro
