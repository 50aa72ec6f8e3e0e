#include "CtlArguments.h"

#include <cstdio>

namespace torvexctl {

namespace {

std::optional<long long> digits(std::string_view text, int base, long long max)
{
    if (text.empty())
        return std::nullopt;
    long long value = 0;
    for (const char c : text) {
        int digit = -1;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        if (digit < 0 || digit >= base)
            return std::nullopt;
        value = value * base + digit;
        if (value > max)
            return std::nullopt;
    }
    return value;
}

} // namespace

std::optional<int> parseId(std::string_view text)
{
    if (text == "-1")
        return -1;
    std::optional<long long> value;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        value = digits(text.substr(2), 16, 0x7FFFFFFF);
    else
        value = digits(text, 10, 0x7FFFFFFF);
    if (!value)
        return std::nullopt;
    return static_cast<int>(*value);
}

std::optional<int> parseSlot(std::string_view text)
{
    const auto value = digits(text, 10, 255);
    if (!value || *value < 1)
        return std::nullopt;
    return static_cast<int>(*value);
}

std::optional<long> parseCount(std::string_view text, long max)
{
    const auto value = digits(text, 10, max);
    if (!value)
        return std::nullopt;
    return static_cast<long>(*value);
}

std::string codeName(int code)
{
    switch (code) {
    case 0:
        return "USBCD_OK";
    case 1:
        return "USBCD_NO_DEVICE";
    case 2:
        return "USBCD_BUSY";
    case 3:
        return "USBCD_FAIL";
    case 8:
        return "USBCD_CHANGED";
    case 16:
        return "USBCD_PLUS_ACK";
    case 17:
        return "USBCD_ERROR1";
    case 18:
        return "USBCD_PLUS_BUSY";
    case 33:
        return "USBCD_ERROR2";
    case 49:
        return "USBCD_ERROR3";
    case 65:
        return "USBCD_ERROR4";
    case 81:
        return "USBCD_ERROR5";
    default:
        return "code " + std::to_string(code);
    }
}

std::string idText(int id)
{
    if (id < 0)
        return std::to_string(id);
    char text[16];
    std::snprintf(text, sizeof text, "0x%06X", static_cast<unsigned>(id));
    return text;
}

std::vector<std::vector<std::string>> splitCommands(const std::vector<std::string>& words)
{
    std::vector<std::vector<std::string>> commands(1);
    for (const std::string& word : words) {
        if (word == ";" || word == "--") {
            if (!commands.back().empty())
                commands.emplace_back();
            continue;
        }
        commands.back().push_back(word);
    }
    if (commands.back().empty())
        commands.pop_back();
    return commands;
}

} // namespace torvexctl
