#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kavro {

// The contents of the demo catalogue that run.sh gives a fresh program folder: two cabinets as
// torvex/sim/demo-cabinets.sim simulates them, nested categories, and discs with the files that
// their stored trees are scanned from.

struct DemoMachine {
    int id = 0;
    std::string name;
    std::string model;
};

struct DemoCategory {
    int id = 0;
    int parentId = 0; // 0: directly under the root
    std::string name;
};

// One item of a disc's folder: a path relative to the disc's root with '/' between the parts;
// a path ending in '/' is an (empty) folder.
struct DemoFile {
    std::string path;
    std::int64_t size = 0;
};

struct DemoDisc {
    int machine = 0;
    int slot = 0;
    int categoryId = 0;
    std::string title;
    std::string barcode;
    std::string remark;
    std::string other; // "Other=" lines, each ending in CR LF
    std::string volume;
    std::string serial;
    std::string fileSystem;
    std::string created; // "YYYY-MM-DD HH:MM:SS"
    bool cover = false;  // gets a drawn cover picture
    std::vector<DemoFile> files;
};

// A take-out of the demo log.
struct DemoTakeOut {
    int machine = 0;
    int slot = 0;
    bool takeOut = false;
    std::string reason;
    std::string dateTime; // "yyyy-m-d h:m"
};

std::vector<DemoMachine> DemoMachines();
// In tree order: a category before its sub-categories.
std::vector<DemoCategory> DemoCategories();
std::vector<DemoDisc> DemoDiscs();
std::vector<DemoTakeOut> DemoTakeOuts();

} // namespace kavro
