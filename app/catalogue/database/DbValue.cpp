#include "catalogue/database/DbValue.h"

#include <charconv>
#include <cstdio>
#include <limits>

namespace kavro {

namespace {

std::int64_t leadingInteger(std::string_view s)
{
    std::size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t'))
        ++i;
    if (i < s.size() && s[i] == '+')
        ++i;
    std::int64_t v = 0;
    const auto [ptr, ec] = std::from_chars(s.data() + i, s.data() + s.size(), v);
    (void)ptr;
    return ec == std::errc() ? v : 0;
}

} // namespace

std::int64_t DbValue::asInt64() const
{
    switch (type()) {
    case Type::Integer:
        return std::get<std::int64_t>(m_value);
    case Type::Real: {
        const double d = std::get<double>(m_value);
        if (!(d > static_cast<double>(std::numeric_limits<std::int64_t>::min()) &&
              d < static_cast<double>(std::numeric_limits<std::int64_t>::max())))
            return 0;
        return static_cast<std::int64_t>(d);
    }
    case Type::Text:
    case Type::Blob:
        return leadingInteger(bytes());
    case Type::Null:
        break;
    }
    return 0;
}

double DbValue::asReal() const
{
    switch (type()) {
    case Type::Real:
        return std::get<double>(m_value);
    case Type::Integer:
        return static_cast<double>(std::get<std::int64_t>(m_value));
    case Type::Text:
    case Type::Blob:
        return static_cast<double>(leadingInteger(bytes()));
    case Type::Null:
        break;
    }
    return 0.0;
}

std::string DbValue::asText() const
{
    switch (type()) {
    case Type::Integer:
        return std::to_string(std::get<std::int64_t>(m_value));
    case Type::Real: {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.15g", std::get<double>(m_value));
        return buf;
    }
    case Type::Text:
    case Type::Blob:
        return std::string(bytes());
    case Type::Null:
        break;
    }
    return {};
}

std::string_view DbValue::bytes() const
{
    if (const auto* t = std::get_if<Text>(&m_value))
        return t->bytes;
    if (const auto* b = std::get_if<Blob>(&m_value))
        return b->bytes;
    return {};
}

} // namespace kavro
