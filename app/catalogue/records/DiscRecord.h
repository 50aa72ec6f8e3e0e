#pragma once

#include <string>

namespace kavro {

// One disc row in memory: what ReadDiscRecord fills from the row under DiscCursor and
// WriteDiscRecord stores. The disc's file tree is not part of it (the catalogue's FileTree).
struct DiscRecord {
    int machine = 0;          // MachineNo
    int slot = 0;             // Slot
    int categoryId = 0;       // Category
    int categoryIndex = -1;   // position in CategoryList; -1 when the id is not loaded
    std::string categoryName; // "Other" when the id is not loaded
    std::string title;        // TitleA, or the "Title=" line of Misc1
    std::string barcode;      // Barcode, or the "Barcode=" line of Misc1
    std::string remark;       // Remark
    std::string other;        // "Other=" lines of Misc1, each ending in CR LF
    std::string volume;       // "Volume=" line
    std::string serial;       // "Serial=" line: volume serial number, unsigned decimal
    std::string fileSystem;   // "FileSystem=" line
    std::string created;      // CreateDate as "YYYY-MM-DD HH:MM:SS", local time; empty when unknown
    std::string deviceType;   // Devicetype
    int storedEntryCount = 0; // TreeIndexS as read
    std::string picture;      // the picture to write, as BMP file bytes; empty for none
    std::string summary;      // DiscSummary, built on every read
};

} // namespace kavro
