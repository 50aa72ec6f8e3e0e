#pragma once

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

// Answers every lookup with its default.
class DefaultTexts final : public Texts {
public:
    std::string text(std::string_view, std::string_view defaultText) const override
    {
        return std::string(defaultText);
    }
};

} // namespace kavro
