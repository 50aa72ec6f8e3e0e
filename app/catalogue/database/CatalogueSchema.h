#pragma once

#include <array>
#include <string_view>

namespace kavro::schema {

// The catalogue's tables, created with these statements exactly as written (the command object
// translates them for SQLite), in this order.
inline constexpr std::string_view kCreateKavro =
    "CREATE TABLE KAVRO (Serial COUNTER (0, 1), Slot INTEGER, MachineNo INTEGER, Categoryname CHAR "
    "(128) WITH COMPRESSION, TitleA CHAR (128) WITH COMPRESSION, Barcode CHAR (32) , Misc1 TEXT WITH "
    "COMPRESSION, Remark TEXT WITH COMPRESSION, TreeIndex  LONGBINARY, TreeData   LONGBINARY, Pic "
    "LONGBINARY, TreeIndexS INTEGER, TreeDataS  INTEGER, Category   INTEGER, CreateDate DATETIME, "
    "Devicetype CHAR (16))";
inline constexpr std::string_view kCreateCdDevice =
    "CREATE TABLE CDDEVICE (Serial COUNTER (0, 1), DEVICENO   CHAR (16) WITH COMPRESSION , "
    "DEVICENAME CHAR (64) WITH COMPRESSION , DEVICETYPE CHAR (16), DEVICEACT  INTEGER )";
inline constexpr std::string_view kCreateCategory =
    "CREATE TABLE CATEGORY (Serial COUNTER (0, 1), CATEGORYNAME CHAR (128) WITH COMPRESSION , "
    "CATEGORYID INTEGER )";

inline constexpr std::string_view kKavro = "KAVRO";
inline constexpr std::string_view kCdDevice = "CDDEVICE";
inline constexpr std::string_view kCategory = "CATEGORY";

struct TableDefinition {
    std::string_view name;
    std::string_view create;
};

inline constexpr std::array<TableDefinition, 3> kTables{{
    {kKavro, kCreateKavro},
    {kCdDevice, kCreateCdDevice},
    {kCategory, kCreateCategory},
}};

// The catalogue file's name, in the program folder.
inline constexpr std::string_view kFileName = "KAVRO2.MDB";

} // namespace kavro::schema
