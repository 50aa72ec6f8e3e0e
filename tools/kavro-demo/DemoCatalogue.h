#pragma once

#include <filesystem>
#include <string>

namespace kavro {

class Clock;
class Texts;

// What MakeDemoCatalogue made.
struct DemoSummary {
    bool created = false; // false: the folder had a catalogue already and nothing was touched
    std::string error;    // why nothing was made; empty on success
    int machines = 0;
    int categories = 0;
    int discs = 0;
    int discsWithTree = 0;
    int pictures = 0;
    int takeOuts = 0;
};

// Gives a program folder without a catalogue (no KAVRO2.MDB) the demo catalogue of DemoDiscs.h,
// made with the program's own code: KAVRO2.MDB with the discs (their trees scanned from
// generated folders, drawn covers), Data/category.txt, the two cabinets in CDDEVICE and
// Data/dbid.txt, Data/Retrieve.log, and RetrieveLog switched on in Data/Kavro.ini. Files the
// folder already has are kept. KAVRO2.MDB appears last, so a run that fails half-way leaves the
// folder as it was and the next run starts again. texts gives the log's operation words.
// Needs a QGuiApplication (the covers are drawn).
DemoSummary MakeDemoCatalogue(const std::filesystem::path& programFolder, const Texts& texts, Clock& clock);

} // namespace kavro
