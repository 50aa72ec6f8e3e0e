#pragma once

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace kavro {

// The take-out log Data/Retrieve.log: a text file that only grows, one record per take-out:
// "\r\nTitle : %s\r\nLibrary Name : %s\r\nLibrary Location : %d\r\nAccess : %s\r\n%s\r\n%s\r\n\r\n".
struct RetrieveRecord {
    std::string title;
    std::string machineName;
    int slot = 0;
    std::string access; // the word for put in or take out
    std::string reason;
    std::string dateTime; // "yyyy-m-d h:m"
};

// The record's bytes. A line break inside a field would split the record, so CR and LF in the
// fields become blanks.
std::string FormatRetrieveRecord(const RetrieveRecord& record);

// The log opened for appending; a log that cannot be opened writes nothing.
class RetrieveLogFile {
public:
    explicit RetrieveLogFile(const std::filesystem::path& file);
    bool isOpen() const { return m_out.is_open(); }
    // Appends one record and closes the file; false when it could not be written.
    bool append(const RetrieveRecord& record);

private:
    std::ofstream m_out;
};

// One row of the log view (ListView3): the rest of the lines "Title : ", "Library Name : ",
// "Library Location : " and "Access : ", then the two lines after them (reason and date). A
// record whose lines break the pattern ends early with the fields read so far.
struct RetrieveLogRow {
    std::string title;
    std::string machineName;
    std::string slot;
    std::string access;
    std::string reason;
    std::string dateTime;
};

// The rows of the log's bytes. Each line is UTF-8, or Big5 when it is not valid UTF-8; line ends
// may be LF, CR LF or CR CR LF.
std::vector<RetrieveLogRow> ParseRetrieveLog(std::string_view bytes);

// The rows of a log file; none when it cannot be read.
std::vector<RetrieveLogRow> ReadRetrieveLog(const std::filesystem::path& file);

} // namespace kavro
