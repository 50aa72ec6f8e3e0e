// The settings file reader over arbitrary file bytes: a read of one key and a write of it, after
// which the same read must give the value written.
#include "FuzzScratch.h"

#include "platform/Text.h"
#include "shell/Settings.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>

using kavro::fuzz::check;

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}

// A value that the file form keeps as written: the reader trims blanks and one pair of quotes.
bool readsBackAsWritten(std::string_view value)
{
    if (value.size() > 255 || !kavro::text::isValidUtf8(value))
        return false;
    if (!value.empty() && (isBlank(value.front()) || isBlank(value.back())))
        return false;
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return false;
    return true;
}

// Callers name sections and keys without blanks around them; the writer trims them, the reader
// does not.
bool plainName(std::string_view name)
{
    return !name.empty() && !isBlank(name.front()) && !isBlank(name.back());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    const std::string section = in.ConsumeRandomLengthString(24);
    const std::string key = in.ConsumeRandomLengthString(24);
    const std::string value = in.ConsumeRandomLengthString(300);
    const auto maxLength = in.ConsumeIntegralInRange<std::size_t>(0, 300);
    const std::string content = in.ConsumeRemainingBytesAsString();

    const auto file = kavro::fuzz::scratchFile("Data/Kavro.ini", content);
    kavro::Settings settings(file);
    const std::string read = settings.readString(section, key, "default", maxLength);
    check(read.size() <= maxLength, "a value is cut to its longest length");
    check(kavro::text::isValidUtf8(read), "values read are UTF-8");
    (void)settings.readInt(section, key, -7);

    const bool written = settings.writeString(section, key, value);
    if (written && readsBackAsWritten(value) && plainName(section) && plainName(key)) {
        check(settings.readString(section, key, "\x01missing") == value, "a written value reads back");
        // Writing the same value again changes nothing.
        std::ifstream first(file, std::ios::binary);
        const std::string once((std::istreambuf_iterator<char>(first)), std::istreambuf_iterator<char>());
        first.close();
        check(settings.writeString(section, key, value), "a second write succeeds");
        std::ifstream second(file, std::ios::binary);
        const std::string twice((std::istreambuf_iterator<char>(second)), std::istreambuf_iterator<char>());
        check(once == twice, "rewriting a value leaves the file as it was");
    }
    return 0;
}
