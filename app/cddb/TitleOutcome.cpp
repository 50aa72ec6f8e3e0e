#include "cddb/TitleOutcome.h"

#include "platform/Text.h"
#include "platform/Texts.h"

namespace kavro {

namespace {

// A number from 1 to count, blanks around allowed; 0 for anything else.
std::size_t chosenNumber(const std::string& typed, std::size_t count)
{
    const std::string s = text::trimBlanks(typed);
    if (s.empty() || s.size() > 3)
        return 0;
    std::size_t n = 0;
    for (const char c : s) {
        if (c < '0' || c > '9')
            return 0;
        n = n * 10 + static_cast<std::size_t>(c - '0');
    }
    return n <= count ? n : 0;
}

} // namespace

std::string TitleLookupCaption(const Texts& texts)
{
    return texts.text("0000", "KAVRO 5.1");
}

void TellOutcome(const TitleOutcome& outcome, Person& person, const Texts& texts)
{
    if (outcome.message.empty() || outcome.kind == TitleOutcome::Found || outcome.kind == TitleOutcome::Cancelled)
        return;
    const BoxIcon icon = outcome.kind == TitleOutcome::NotFound ? BoxIcon::Question : BoxIcon::Warning;
    person.messageBox(outcome.message, TitleLookupCaption(texts), icon, BoxButtons::Ok);
}

std::optional<std::size_t> ChooseDisc(const std::vector<std::string>& labels, Person& person, const Texts& texts)
{
    if (labels.empty())
        return std::nullopt;
    if (labels.size() == 1)
        return 0;
    std::string prompt = texts.text("1075", "找到多筆光碟資料，請輸入要使用的編號：");
    for (std::size_t i = 0; i < labels.size(); ++i)
        prompt += "\n" + std::to_string(i + 1) + ". " + labels[i];
    // A number out of the list asks again; a few wrong answers in a row count as cancelling.
    for (int attempt = 0; attempt < 5; ++attempt) {
        const auto typed = person.inputBox(TitleLookupCaption(texts), prompt, "1");
        if (!typed)
            return std::nullopt;
        if (const std::size_t n = chosenNumber(*typed, labels.size()); n > 0)
            return n - 1;
    }
    return std::nullopt;
}

bool CheckLookupEmail(const std::string& email, Person& person, const Texts& texts)
{
    if (email.find('@') != std::string::npos)
        return true;
    person.messageBox(texts.text("1024", "請檢查您的e-Mail是否正確"), TitleLookupCaption(texts), BoxIcon::Warning,
                      BoxButtons::Ok);
    return false;
}

std::optional<CdToc> ReadLookupToc(CdTocReader& reader, const std::string& device, Person& person, Clock& clock,
                                   const Texts& texts)
{
    CdTocResult toc = reader.read(device, clock);
    if (!toc) {
        person.messageBox("errorcode=" + std::to_string(toc.error.code) + "\n\r" + toc.error.text,
                          TitleLookupCaption(texts), BoxIcon::Information, BoxButtons::Ok);
        return std::nullopt;
    }
    return std::move(toc.toc);
}

} // namespace kavro
