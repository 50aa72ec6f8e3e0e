#pragma once

#include <string>

namespace kavro {

class Catalogue;
struct ChangerContext;

// The one row of the drive detail window: the catalogued disc in a machine's drive.
struct DetailRow {
    std::string title; // TitleA
    std::string machineName;
    int slot = 0;
    std::string category; // Categoryname
};

// How far the "Detail" button got.
enum class DriveDetailStep {
    NoMachine,  // the machine-name box names no registered machine
    EmptyDrive, // the drive holds no disc: Detail (with Eject) is disabled
    NoRecord,   // the drive's disc is not catalogued
    Found,      // the window shows row
};

struct DriveDetail {
    DriveDetailStep step = DriveDetailStep::NoMachine;
    DetailRow row;
};

// ShowDriveDetail up to the window: starts the drive check again, takes the machine named in the
// machine-name box, asks which slot's disc is in its drive and locates that disc's row. The row's
// columns are read from DiscCursor; CurrentDisc and the current file tree stay as they are.
DriveDetail FindDriveDetail(ChangerContext& ctx, Catalogue& catalogue);

} // namespace kavro
