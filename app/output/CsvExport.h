#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace kavro {

class Clock;
class Person;
class Texts;
struct ListCopy;

// One field as the file holds it: unchanged, or in double quotes with its quotes doubled when it
// holds a comma, a quote, a CR or an LF, so that CSV readers see one field.
std::string CsvField(std::string_view field);

// One line of the CSV file: every field (as CsvField gives it) followed by a comma, then CR LF.
std::string CsvLine(const std::vector<std::string>& fields);

// The whole file: the captions of every column, then one line per row.
std::string CsvText(const ListCopy& copy);

enum class CsvExportResult { Written, Declined, Failed };

// Writes the copy to file. An existing file is overwritten only after the person agrees (text
// 1007); the new file takes its place whole or not at all, so a failure leaves the old one as
// it was. Reports "OK" on success and text 0507 on failure, both under "System Message".
CsvExportResult ExportCsv(const ListCopy& copy, const std::filesystem::path& file, Person& person,
                          const Texts& texts, Clock& clock);

// The export file the print dialog starts with: the ExcelFilename setting, or EXCEL.Csv in the
// Data folder when the setting is empty.
std::string ExportFileName(std::string_view setting, const std::filesystem::path& dataFolder);

} // namespace kavro
