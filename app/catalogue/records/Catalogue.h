#pragma once

#include "catalogue/records/CategoryList.h"
#include "catalogue/records/CategoryTree.h"
#include "catalogue/database/Database.h"
#include "catalogue/database/DbCommand.h"
#include "catalogue/database/DbResult.h"
#include "catalogue/database/DiscCursor.h"
#include "catalogue/records/DiscRecord.h"
#include "catalogue/database/Query.h"
#include "content/FileTree.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace kavro {

class Clock;
class Person;
class Texts;

// The open catalogue and the state the program keeps about it: the connection, DiscCursor,
// the listing, probe and change queries and the command object; the current disc record
// (CurrentDisc) and file tree; the loaded categories and the category tree. One exists from
// main-window creation to its close; tests make a fresh one each.
class Catalogue {
public:
    Catalogue(std::filesystem::path programFolder, Person& person, const Texts& texts, Clock& clock);
    ~Catalogue();
    Catalogue(const Catalogue&) = delete;
    Catalogue& operator=(const Catalogue&) = delete;

    // Opens KAVRO2.MDB in the program folder, creating the file and any missing table (KAVRO,
    // CDDEVICE, CATEGORY, in that order) while keeping existing rows, opens DiscCursor on its
    // first row and makes the query objects. A file that is not an SQLite database is never
    // touched: the result names it.
    DbStatus open();
    // Releases everything in order: DiscCursor, the listing, probe and change queries, the
    // command object, then the connection.
    void close();
    bool isOpen() const { return m_database.isOpen() && m_cursor != nullptr; }

    const std::filesystem::path& programFolder() const { return m_programFolder; }
    std::filesystem::path databaseFile() const;
    // The program folder's Data folder (DATA and Data are the same folder).
    std::filesystem::path dataFolder() const;

    Database& database() { return m_database; }
    DiscCursor& discCursor() { return *m_cursor; }
    Query& listingQuery() { return *m_listing; }
    Query& probeQuery() { return *m_probe; }
    Query& changeQuery() { return *m_change; }
    DbCommand& command() { return *m_command; }

    Person& person() { return m_person; }
    const Texts& texts() const { return m_texts; }
    Clock& clock() { return m_clock; }

    // CurrentDisc: the row last read or written.
    DiscRecord& currentDisc() { return m_currentDisc; }
    // The current file tree.
    FileTree& fileTree() { return m_fileTree; }
    CategoryList& categories() { return m_categories; }
    CategoryTree& categoryTree() { return m_categoryTree; }
    const CategoryTree& categoryTree() const { return m_categoryTree; }

    // The machine's name for summaries; the machine number in decimal until a lookup is set.
    void setMachineNameLookup(std::function<std::string(int machine)> lookup);
    std::string machineName(int machine) const;

    // Called after a disc row was deleted, so the views drop the disc (list rows, disc table
    // entry, the machine tree). The category tree model's node is already gone by then.
    void setDiscRemovedHandler(std::function<void(int machine, int slot)> handler);
    void notifyDiscRemoved(int machine, int slot);

private:
    std::filesystem::path m_programFolder;
    Person& m_person;
    const Texts& m_texts;
    Clock& m_clock;

    Database m_database;
    std::unique_ptr<DiscCursor> m_cursor;
    std::unique_ptr<Query> m_listing;
    std::unique_ptr<Query> m_probe;
    std::unique_ptr<Query> m_change;
    std::unique_ptr<DbCommand> m_command;

    DiscRecord m_currentDisc;
    FileTree m_fileTree;
    CategoryList m_categories;
    CategoryTree m_categoryTree;

    std::function<std::string(int)> m_machineName;
    std::function<void(int, int)> m_discRemoved;
};

} // namespace kavro
