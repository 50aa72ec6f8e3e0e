#include "torvex/sim/SimFile.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <utility>
#include <vector>

namespace torvex {

// TORVEX_SIMULATOR names such a file. A file that cannot be used makes every device listing
// fail, so that InitUSBKavro answers 3 instead of quietly reaching for real cabinets.
std::unique_ptr<Transport> makeSimulatorFromFile(const std::string& path)
{
    sim::Simulator simulator;
    std::string message;
    int error = 0;
    if (!sim::readSimFile(path, simulator, message, error))
        simulator.setListError(error != 0 ? error : EINVAL);
    return simulator.makeTransport();
}

namespace sim {

namespace {

constexpr std::size_t kMaxFileBytes = 1 << 20;
constexpr std::size_t kMaxModelBytes = 126; // what one string descriptor can carry
constexpr std::int64_t kMaxMs = 24LL * 3600 * 1000;

std::string_view trim(std::string_view s)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blank(s.back()))
        s.remove_suffix(1);
    return s;
}

std::string lower(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

// A whole non-negative number, decimal or 0x hex, not above max.
std::optional<std::int64_t> number(std::string_view s, std::int64_t max)
{
    int base = 10;
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        base = 16;
        s.remove_prefix(2);
    }
    if (s.empty())
        return std::nullopt;
    std::int64_t value = 0;
    for (const char c : s) {
        int digit = -1;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        if (digit < 0)
            return std::nullopt;
        value = value * base + digit;
        if (value > max)
            return std::nullopt;
    }
    return value;
}

struct Description {
    int line = 0;
    CabinetSpec spec;
    bool hasId = false;
    std::string filled; // checked against the slot count at the end of the block
    int filledLine = 0;
    std::vector<std::pair<int, Reply>> replies;
    std::vector<PlugEvent> events;
    std::set<std::string> keys;
};

class Parser {
public:
    explicit Parser(std::int64_t start) : m_start(start) {}

    bool line(int number, std::string_view text);
    bool finish();

    std::vector<Description> cabinets;
    std::string message;

private:
    bool fail(int number, const std::string& what)
    {
        message = "line " + std::to_string(number) + ": " + what;
        return false;
    }
    bool keyValue(int number, const std::string& key, std::string_view value);
    bool closeBlock();

    std::int64_t m_start;
};

bool Parser::line(int number, std::string_view text)
{
    text = trim(text);
    if (text.empty() || text.front() == '#' || text.front() == ';')
        return true;
    if (text.front() == '[') {
        if (text.back() != ']')
            return fail(number, "a section header ends with ']'");
        const std::string name = lower(trim(text.substr(1, text.size() - 2)));
        // "[cabinet]" or "[cabinet some label]"
        if (name != "cabinet" && name.rfind("cabinet ", 0) != 0)
            return fail(number, "unknown section [" + name + "] (only [cabinet])");
        if (!closeBlock())
            return false;
        cabinets.emplace_back();
        cabinets.back().line = number;
        return true;
    }
    const auto equals = text.find('=');
    if (equals == std::string_view::npos)
        return fail(number, "expected key = value");
    const std::string key = lower(trim(text.substr(0, equals)));
    std::string_view value = text.substr(equals + 1);
    // A '#' after a blank starts a comment, so values can be annotated.
    for (std::size_t i = 1; i < value.size(); ++i)
        if (value[i] == '#' && (value[i - 1] == ' ' || value[i - 1] == '\t')) {
            value = value.substr(0, i);
            break;
        }
    value = trim(value);
    if (cabinets.empty())
        return fail(number, "'" + key + "' comes before the first [cabinet]");
    return keyValue(number, key, value);
}

bool Parser::keyValue(int number, const std::string& key, std::string_view value)
{
    Description& d = cabinets.back();
    // The named movement times are the busy times of their codes.
    static const std::map<std::string, int> kNamedTimes = {
        {"reset-ms", 11}, {"door-ms", 12}, {"down-ms", 14}, {"load-ms", 19}, {"return-ms", 20}};
    if (const auto named = kNamedTimes.find(key); named != kNamedTimes.end())
        return keyValue(number, "busy." + std::to_string(named->second), value);
    if (key != "reply" && !d.keys.insert(key).second)
        return fail(number, "'" + key + "' given twice for one cabinet");

    const auto need = [&](std::int64_t max, const char* what) -> std::optional<std::int64_t> {
        auto n = sim::number(value, max);
        if (!n)
            fail(number, "bad " + key + " '" + std::string(value) + "': " + what);
        return n;
    };

    if (key == "id") {
        const auto n = need(0xFFFFFF, "a number from 0 to 0xFFFFFF");
        if (!n)
            return false;
        d.spec.id = static_cast<std::int32_t>(*n);
        d.hasId = true;
    } else if (key == "model") {
        if (value.size() > kMaxModelBytes)
            return fail(number, "model text longer than 126 bytes");
        d.spec.model = std::string(value);
    } else if (key == "slots") {
        auto n = sim::number(value, 255);
        if (!n || *n < 1)
            return fail(number, "bad slots '" + std::string(value) + "': a number from 1 to 255");
        d.spec.slots = static_cast<int>(*n);
    } else if (key == "filled") {
        d.filled = std::string(value);
        d.filledLine = number;
    } else if (key == "busy") {
        const auto n = need(kMaxMs, "milliseconds");
        if (!n)
            return false;
        d.spec.busyMs = static_cast<int>(*n);
    } else if (key.rfind("busy.", 0) == 0) {
        const auto code = sim::number(std::string_view(key).substr(5), 255);
        if (!code)
            return fail(number, "bad key '" + key + "': busy.<string index>");
        const auto n = need(kMaxMs, "milliseconds");
        if (!n)
            return false;
        d.spec.busyMsByCode[static_cast<int>(*code)] = static_cast<int>(*n);
    } else if (key == "counter") {
        const auto n = need(0xFFFFFF, "a number from 0 to 0xFFFFFF");
        if (!n)
            return false;
        d.spec.counter = static_cast<int>(*n);
    } else if (key == "plugged") {
        const std::string v = lower(value);
        if (v == "yes" || v == "true" || v == "1")
            d.spec.plugged = true;
        else if (v == "no" || v == "false" || v == "0")
            d.spec.plugged = false;
        else
            return fail(number, "bad plugged '" + std::string(value) + "': yes or no");
    } else if (key == "openable") {
        const std::string v = lower(value);
        if (v == "yes" || v == "true" || v == "1")
            d.spec.openable = true;
        else if (v == "no" || v == "false" || v == "0")
            d.spec.openable = false;
        else
            return fail(number, "bad openable '" + std::string(value) + "': yes or no");
    } else if (key == "plug-after" || key == "unplug-after") {
        const auto n = need(kMaxMs, "milliseconds");
        if (!n)
            return false;
        d.events.push_back({PlugEvent::Trigger::AtMs, m_start + *n, key == "plug-after"});
    } else if (key == "plug-after-listings" || key == "unplug-after-listings") {
        const auto n = need(1000000, "a number of listings");
        if (!n)
            return false;
        d.events.push_back({PlugEvent::Trigger::AfterListings, *n, key == "plug-after-listings"});
    } else if (key == "drive-folder") {
        d.spec.driveFolder = std::string(value);
    } else if (key.rfind("disc.", 0) == 0) {
        const auto slot = sim::number(std::string_view(key).substr(5), 255);
        if (!slot || *slot < 1)
            return fail(number, "bad key '" + key + "': disc.<slot>");
        d.spec.discFolders[static_cast<int>(*slot)] = std::string(value);
    } else if (key == "reply") {
        const auto space = value.find_first_of(" \t");
        const auto code = sim::number(value.substr(0, space), 255);
        if (!code)
            return fail(number, "bad reply '" + std::string(value) + "': reply = <string index> <text>");
        const std::string_view text = space == std::string_view::npos ? "" : trim(value.substr(space));
        if (text.size() > kMaxModelBytes)
            return fail(number, "reply text longer than 126 bytes");
        d.replies.emplace_back(static_cast<int>(*code),
                               text == "<fail>" ? Reply::failure() : Reply::text(text));
    } else if (key == "vendor" || key == "product") {
        const auto n = need(0xFFFF, "a number from 0 to 0xFFFF");
        if (!n)
            return false;
        (key == "vendor" ? d.spec.vendorId : d.spec.productId) = static_cast<std::uint16_t>(*n);
    } else {
        return fail(number, "unknown key '" + key + "'");
    }
    return true;
}

bool Parser::closeBlock()
{
    if (cabinets.empty())
        return true;
    Description& d = cabinets.back();
    if (!d.hasId)
        return fail(d.line, "a [cabinet] needs an id");
    // Without "busy" a cabinet moves as slowly as a real one, apart from the codes given.
    if (d.keys.count("busy") == 0)
        for (const auto& [code, ms] : Timing{}.byCode())
            d.spec.busyMsByCode.emplace(code, ms);
    d.spec.filled.clear();
    const std::string list = lower(trim(d.filled));
    if (list == "all") {
        for (int slot = 1; slot <= d.spec.slots; ++slot)
            d.spec.filled.push_back(slot);
        return true;
    }
    if (list.empty() || list == "none")
        return true;
    // "1-20, 25 30-40": ranges and single slots, separated by commas or blanks
    std::string_view rest = list;
    while (!rest.empty()) {
        const auto end = rest.find_first_of(", \t");
        const std::string_view item = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        if (item.empty())
            continue;
        const auto dash = item.find('-');
        const auto first = sim::number(item.substr(0, dash), 255);
        const auto last = dash == std::string_view::npos ? first : sim::number(item.substr(dash + 1), 255);
        if (!first || !last || *first < 1 || *last < *first || *last > d.spec.slots)
            return fail(d.filledLine, "bad filled slot '" + std::string(item) + "' (slots 1 to " +
                                          std::to_string(d.spec.slots) + ")");
        for (std::int64_t slot = *first; slot <= *last; ++slot)
            d.spec.filled.push_back(static_cast<int>(slot));
    }
    return true;
}

bool Parser::finish()
{
    return closeBlock();
}

} // namespace

bool parseSimText(std::string_view text, Simulator& sim, std::string& message)
{
    Parser parser(sim.now());
    int number = 0;
    while (!text.empty()) {
        const auto end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (!parser.line(++number, line)) {
            message = parser.message;
            return false;
        }
    }
    if (!parser.finish()) {
        message = parser.message;
        return false;
    }
    for (const Description& d : parser.cabinets) {
        const int key = sim.addCabinet(d.spec);
        for (const auto& [code, reply] : d.replies)
            sim.script(key, code, reply);
        for (const PlugEvent& event : d.events)
            sim.schedule(key, event);
    }
    return true;
}

bool readSimFile(const std::string& path, Simulator& sim, std::string& message, int& errorNumber)
{
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        errorNumber = EISDIR;
        message = path + ": " + std::strerror(errorNumber);
        return false;
    }
    errno = 0;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        errorNumber = errno != 0 ? errno : ENOENT;
        message = path + ": " + std::strerror(errorNumber);
        return false;
    }
    std::string text;
    text.resize(kMaxFileBytes + 1);
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    if (in.bad()) {
        errorNumber = EIO;
        message = path + ": read error";
        return false;
    }
    if (text.size() > kMaxFileBytes) {
        errorNumber = EFBIG;
        message = path + ": larger than 1 MiB";
        return false;
    }
    if (!parseSimText(text, sim, message)) {
        errorNumber = EINVAL;
        message = path + ": " + message;
        return false;
    }
    return true;
}

} // namespace sim
} // namespace torvex
