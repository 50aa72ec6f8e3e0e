#include "catalogue/import/OldCatalogueText.h"

#include "platform/Text.h"

#include <cerrno>
#include <iconv.h>

namespace kavro {

namespace {

bool isOtherDoubleBytePage(int page)
{
    return page == 932 || page == 936 || page == 949;
}

} // namespace

std::optional<std::string> ConvertToUtf8Strict(std::string_view bytes, const char* from)
{
    iconv_t cd = iconv_open("UTF-8", from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return std::nullopt;
    std::string input(bytes);
    char* in = input.data();
    std::size_t inLeft = input.size();
    std::string out;
    out.reserve(bytes.size() * 3 / 2 + 4);
    char buffer[1024];
    bool ok = true;
    while (inLeft > 0) {
        char* outPtr = buffer;
        std::size_t outLeft = sizeof buffer;
        const std::size_t r = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
        if (r == static_cast<std::size_t>(-1) && errno != E2BIG) {
            ok = false;
            break;
        }
    }
    iconv_close(cd);
    if (!ok)
        return std::nullopt;
    return out;
}

std::string DecodeCodePageText(std::string_view bytes, int codePage)
{
    if (text::isValidUtf8(bytes))
        return std::string(bytes);
    const std::string named = "CP" + std::to_string(codePage);
    if (isOtherDoubleBytePage(codePage)) {
        if (auto s = ConvertToUtf8Strict(bytes, named.c_str()))
            return *s;
    }
    if (auto s = ConvertToUtf8Strict(bytes, "CP950"))
        return *s;
    if (codePage > 0 && codePage != 950 && !isOtherDoubleBytePage(codePage)) {
        if (auto s = ConvertToUtf8Strict(bytes, named.c_str()))
            return *s;
    }
    return text::big5ToUtf8(bytes);
}

} // namespace kavro
