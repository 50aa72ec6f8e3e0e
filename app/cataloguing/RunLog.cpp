#include "cataloguing/RunLog.h"

#include "platform/Texts.h"

#include "cataloguing/CabinetRun.h"

#include <charconv>
#include <cstdio>
#include <fstream>
#include <map>
#include <unistd.h>

namespace kavro {

namespace {

constexpr std::size_t kMaxLogBytes = 16 * 1024 * 1024;

const std::map<SlotOutcome, std::string_view>& words()
{
    static const std::map<SlotOutcome, std::string_view> kWords = {
        {SlotOutcome::Catalogued, "catalogued"},     {SlotOutcome::Refreshed, "refreshed"},
        {SlotOutcome::Unchanged, "unchanged"},       {SlotOutcome::Skipped, "skipped"},
        {SlotOutcome::Empty, "empty"},               {SlotOutcome::Unreadable, "unreadable"},
        {SlotOutcome::DifferentDisc, "different disc"}, {SlotOutcome::NotCatalogued, "not catalogued"},
        {SlotOutcome::Failed, "failed"}};
    return kWords;
}

std::optional<int> toInt(std::string_view s)
{
    int value = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (ec != std::errc() || end != s.data() + s.size())
        return std::nullopt;
    return value;
}

// A line's text after "key=" among its blank-separated fields; empty when there is none.
std::string_view field(std::string_view line, std::string_view key)
{
    std::size_t at = 0;
    while (at < line.size()) {
        const std::size_t end = std::min(line.find(' ', at), line.size());
        const std::string_view f = line.substr(at, end - at);
        if (f.size() > key.size() && f.substr(0, key.size()) == key && f[key.size()] == '=')
            return f.substr(key.size() + 1);
        at = end + 1;
    }
    return {};
}

// One line without what could break it: the log keeps one event per line.
std::string oneLine(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        if (c == '\n' || c == '\r' || c == '|')
            c = ' ';
    return out;
}

std::string_view trimmed(std::string_view s)
{
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    return s;
}

} // namespace

std::string_view OutcomeWord(SlotOutcome outcome)
{
    return words().at(outcome);
}

std::string OutcomeText(const Texts& texts, SlotOutcome outcome)
{
    const std::string key = std::to_string(5250 + static_cast<int>(outcome));
    return texts.text(key, OutcomeWord(outcome));
}

std::optional<SlotOutcome> OutcomeOfWord(std::string_view word)
{
    for (const auto& [outcome, w] : words())
        if (w == word)
            return outcome;
    return std::nullopt;
}

std::string SlotLine(const SlotResult& result)
{
    return "slot " + std::to_string(result.slot) + " " + std::string(OutcomeWord(result.outcome)) + " | " +
           oneLine(result.title) + " | " + oneLine(result.reason);
}

std::optional<SlotResult> ParseSlotLine(std::string_view l)
{
    // slot <n> <outcome> | <title> | <reason>
    if (l.rfind("slot ", 0) != 0)
        return std::nullopt;
    const std::size_t bar = l.find(" | ");
    const std::string_view head = l.substr(5, bar == std::string_view::npos ? std::string_view::npos : bar - 5);
    const std::size_t space = head.find(' ');
    if (space == std::string_view::npos)
        return std::nullopt;
    const auto slot = toInt(head.substr(0, space));
    const auto outcome = OutcomeOfWord(head.substr(space + 1));
    if (!slot || !outcome)
        return std::nullopt;
    SlotResult result{*slot, *outcome, {}, {}};
    if (bar != std::string_view::npos) {
        const std::string_view rest = l.substr(bar + 3);
        const std::size_t second = rest.find(" | ");
        result.title = std::string(trimmed(rest.substr(0, second)));
        if (second != std::string_view::npos)
            result.reason = std::string(trimmed(rest.substr(second + 3)));
    }
    return result;
}

bool RunLog::append(std::string_view line) const
{
    std::error_code ec;
    std::filesystem::create_directories(m_file.parent_path(), ec);
    std::FILE* f = std::fopen(m_file.c_str(), "ab");
    if (f == nullptr)
        return false;
    const std::string text = std::string(line) + "\n";
    bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    // On the disc before the cabinet moves on: a run cut short continues from here.
    ok = std::fflush(f) == 0 && ok;
    ok = ::fsync(::fileno(f)) == 0 && ok;
    return std::fclose(f) == 0 && ok;
}

std::optional<UnfinishedRun> RunLog::unfinished(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::optional<UnfinishedRun> run;
    std::string line;
    std::size_t read = 0;
    while (std::getline(in, line)) {
        read += line.size() + 1;
        if (read > kMaxLogBytes)
            break;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const std::string_view l = line;
        if (l.rfind("run ", 0) == 0) {
            UnfinishedRun r;
            r.header = line;
            r.machine = toInt(field(l, "machine")).value_or(0);
            r.slotNumbers = ParseSlotRanges(field(l, "slots"), 255).value_or(std::vector<int>{});
            r.existing = std::string(field(l, "existing"));
            r.askTitles = field(l, "titles") == "1";
            r.categoryId = toInt(field(l, "category")).value_or(0);
            r.overwriteDifferent = field(l, "different") == "1";
            run = std::move(r);
        } else if (!run) {
            continue;
        } else if (l == "end") {
            run.reset();
        } else if (l.rfind("load ", 0) == 0) {
            run->maybeInDrive = toInt(l.substr(5)).value_or(0);
        } else if (l.rfind("return ", 0) == 0) {
            if (toInt(l.substr(7)).value_or(-1) == run->maybeInDrive)
                run->maybeInDrive = 0;
        } else if (auto result = ParseSlotLine(l)) {
            run->done.push_back(std::move(*result));
        }
    }
    if (run && run->machine <= 0)
        return std::nullopt;
    return run;
}

} // namespace kavro
