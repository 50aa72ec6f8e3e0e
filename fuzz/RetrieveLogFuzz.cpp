// The take-out log Data/Retrieve.log over arbitrary bytes: the rows read from the file, and a
// record appended after those bytes read back as the last row.
#include "FuzzScratch.h"

#include "changer/RetrieveLog.h"
#include "platform/Text.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>

using kavro::fuzz::check;

namespace {

// A lone CR inside a line is no line end in the log's form, so only LF splits.
bool oneLine(const std::string& s)
{
    return s.find('\n') == std::string::npos;
}

// What a field reads back as: line breaks in it became blanks when it was written.
std::string asWritten(std::string s)
{
    for (char& c : s)
        if (c == '\r' || c == '\n')
            c = ' ';
    return s;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    kavro::RetrieveRecord record;
    record.title = in.ConsumeRandomLengthString(64);
    record.machineName = in.ConsumeRandomLengthString(64);
    record.slot = in.ConsumeIntegral<int>();
    record.access = in.ConsumeRandomLengthString(16);
    record.reason = in.ConsumeRandomLengthString(64);
    record.dateTime = in.ConsumeRandomLengthString(20);
    const std::string bytes = in.ConsumeRemainingBytesAsString();

    const auto file = kavro::fuzz::scratchFile("Data/Retrieve.log", bytes);
    for (const auto& row : kavro::ReadRetrieveLog(file)) {
        for (const std::string* field :
             {&row.title, &row.machineName, &row.slot, &row.access, &row.reason, &row.dateTime}) {
            check(oneLine(*field), "a field is one line");
            check(kavro::text::isValidUtf8(*field), "fields are UTF-8");
        }
    }

    // The record as the take-out flow appends it.
    {
        kavro::RetrieveLogFile log(file);
        check(log.isOpen() && log.append(record), "the log takes a record");
    }
    const auto rows = kavro::ReadRetrieveLog(file);
    check(!rows.empty(), "the appended record is read");
    const kavro::RetrieveLogRow& last = rows.back();
    // Each line is decoded on its own: a field that is not UTF-8 is read as Big5.
    bool plain = true;
    for (const std::string* field :
         {&record.title, &record.machineName, &record.access, &record.reason, &record.dateTime})
        plain = plain && kavro::text::isValidUtf8(*field);
    // A reason or date beginning like a title line would start a record of its own.
    const bool unambiguous = !asWritten(record.reason).starts_with("Title : ") &&
                             !asWritten(record.dateTime).starts_with("Title : ");
    if (plain && unambiguous) {
        check(last.title == asWritten(record.title), "title reads back");
        check(last.machineName == asWritten(record.machineName), "machine name reads back");
        check(last.slot == std::to_string(record.slot), "slot reads back");
        check(last.access == asWritten(record.access), "access reads back");
        check(last.reason == asWritten(record.reason), "reason reads back");
        check(last.dateTime == asWritten(record.dateTime), "date reads back");
    }
    return 0;
}
