#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace kavro {

// Text lookup by four-digit key with the default written at the call. The language table is
// the program's implementation; code below the widgets takes this interface so it can be
// tested with the defaults alone.
class Texts {
public:
    virtual ~Texts() = default;
    virtual std::string text(std::string_view key, std::string_view defaultText) const = 0;
};

// A language text with its %1, %2, ... filled in, each once, wherever the language puts them.
inline std::string withArgs(std::string text, std::initializer_list<std::string> values)
{
    int n = 1;
    for (const std::string& v : values) {
        if (const auto at = text.find("%" + std::to_string(n++)); at != std::string::npos)
            text.replace(at, 2, v);
    }
    return text;
}

// Answers every lookup with its default.
class DefaultTexts final : public Texts {
public:
    std::string text(std::string_view, std::string_view defaultText) const override
    {
        return std::string(defaultText);
    }
};

} // namespace kavro
