#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

namespace kavro {

// One field value as it comes from or goes to the catalogue: null, an integer, a real, a text
// (UTF-8 bytes) or a blob (raw bytes).
class DbValue {
public:
    enum class Type { Null, Integer, Real, Text, Blob };

    DbValue() = default;
    DbValue(int v) : m_value(static_cast<std::int64_t>(v)) {}
    DbValue(long v) : m_value(static_cast<std::int64_t>(v)) {}
    DbValue(long long v) : m_value(static_cast<std::int64_t>(v)) {}
    DbValue(double v) : m_value(v) {}
    DbValue(std::string text) : m_value(Text{std::move(text)}) {}
    DbValue(std::string_view text) : m_value(Text{std::string(text)}) {}
    DbValue(const char* text) : m_value(Text{std::string(text)}) {}

    static DbValue null() { return {}; }
    static DbValue blob(std::string bytes)
    {
        DbValue v;
        v.m_value = Blob{std::move(bytes)};
        return v;
    }

    Type type() const { return static_cast<Type>(m_value.index()); }
    bool isNull() const { return type() == Type::Null; }

    // Numbers as stored; a text is read as a leading decimal number; null is 0.
    std::int64_t asInt64() const;
    // The 32-bit integer the catalogue's INTEGER columns hold.
    std::int32_t asInt() const { return static_cast<std::int32_t>(asInt64()); }
    double asReal() const;
    // A text or blob's bytes; a number in decimal; null is empty.
    std::string asText() const;
    // The bytes of a text or blob without a copy; empty for other types.
    std::string_view bytes() const;

    bool operator==(const DbValue& other) const = default;

private:
    struct Text {
        std::string bytes;
        bool operator==(const Text&) const = default;
    };
    struct Blob {
        std::string bytes;
        bool operator==(const Blob&) const = default;
    };
    std::variant<std::monostate, std::int64_t, double, Text, Blob> m_value;
};

} // namespace kavro
