#pragma once

#include "content/DiscScanDrives.h"
#include "platform/Drives.h"

#include <functional>
#include <string>

namespace kavro {

class Catalogue;
class DiscTitleLookup;
class Clock;
class Person;
class Settings;
class Texts;
struct ChangerContext;

// What the add-disc dialog and its flows work through. The main window fills it once; tests
// fill it with their own catalogue, simulated cabinets and virtual clock.
struct AddDiscFlowServices {
    Catalogue& catalogue;
    ChangerContext& changer;
    const Settings& settings;
    const Texts& texts;
    Person& person;
    Clock& clock;
    // Titles of audio discs, from the source the settings choose (MusicBrainz, CDDB or both).
    DiscTitleLookup& titles;
    // The built-in drive's name ("E:"): the Cdrom setting at start, then whatever the dialog's
    // drive box last chose, for the rest of the run.
    std::string& driveName;
    // The program folder, ending in '/'.
    std::string programFolder;
    // The drive letters as they are now; empty: the system's, with the [Drives] settings.
    std::function<Drives()> readDrives;
    // The warning beep before a refusal of OK; empty: silent.
    std::function<void()> beep;

    Drives drives() const { return readDrives ? readDrives() : ReadDrives(settings); }
};

} // namespace kavro
