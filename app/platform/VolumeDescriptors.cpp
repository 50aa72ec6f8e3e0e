#include "platform/VolumeDescriptors.h"

#include "platform/Text.h"
#include "platform/WindowsSerial.h"

#include <array>
#include <cstring>
#include <string_view>

namespace kavro {

namespace {

// The descriptor set and the recognition sequence are a handful of sectors; a disc that claims
// more is damaged, and the bound keeps a bad image from being read end to end.
constexpr std::uint32_t MaxDescriptorSectors = 64;

constexpr std::size_t LabelOffset = 40;
constexpr std::size_t LabelBytes = 32;
constexpr std::size_t EscapeOffset = 88;

using Sector = std::array<std::uint8_t, VolumeDescriptors::SectorBytes>;

std::string_view identifier(const Sector& s)
{
    return std::string_view(reinterpret_cast<const char*>(s.data()) + 1, 5);
}

bool isJolietEscape(const Sector& s)
{
    if (s[EscapeOffset] != '%' || s[EscapeOffset + 1] != '/')
        return false;
    const std::uint8_t level = s[EscapeOffset + 2];
    return level == '@' || level == 'C' || level == 'E';
}

void appendUtf8(std::string& out, std::uint32_t cp)
{
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

void trimLabelEnd(std::string& label)
{
    while (!label.empty() && (label.back() == ' ' || label.back() == '\0'))
        label.pop_back();
}

// 16 UCS-2 big-endian characters; a lone surrogate becomes U+FFFD.
std::string jolietLabel(const Sector& s)
{
    std::string label;
    const std::uint8_t* p = s.data() + LabelOffset;
    for (std::size_t i = 0; i < LabelBytes / 2; ++i) {
        std::uint32_t unit = (std::uint32_t{p[2 * i]} << 8) | p[2 * i + 1];
        if (unit >= 0xD800 && unit < 0xDC00 && i + 1 < LabelBytes / 2) {
            const std::uint32_t low = (std::uint32_t{p[2 * i + 2]} << 8) | p[2 * i + 3];
            if (low >= 0xDC00 && low < 0xE000) {
                appendUtf8(label, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                ++i;
                continue;
            }
        }
        if (unit >= 0xD800 && unit < 0xE000)
            unit = 0xFFFD;
        appendUtf8(label, unit);
    }
    trimLabelEnd(label);
    return label;
}

std::string primaryLabel(const Sector& s)
{
    std::string label(reinterpret_cast<const char*>(s.data()) + LabelOffset, LabelBytes);
    trimLabelEnd(label);
    // Discs mastered on older systems may carry code-page bytes in the label.
    return text::decodeLegacy(label);
}

} // namespace

std::optional<VolumeDescriptors> VolumeDescriptors::read(const SectorReader& readSector,
                                                         std::uint32_t sessionStart)
{
    VolumeDescriptors result;
    Sector sector{};
    Sector active{};
    bool haveActive = false;
    bool isoSetEnded = false;
    for (std::uint32_t i = 0; i < MaxDescriptorSectors; ++i) {
        if (!readSector(sessionStart + 16 + i, sector.data()))
            break;
        const std::string_view id = identifier(sector);
        if (id == "CD001") {
            if (isoSetEnded)
                continue;
            const std::uint8_t type = sector[0];
            if (type == 255) {
                isoSetEnded = true;
            } else if (type == 1 && !result.iso9660) {
                result.iso9660 = true;
                if (!haveActive) {
                    active = sector;
                    haveActive = true;
                }
            } else if (type == 2 && !result.joliet && isJolietEscape(sector)) {
                // Windows takes the first Joliet descriptor over the primary.
                result.joliet = true;
                active = sector;
                haveActive = true;
            }
        } else if (id == "NSR02" || id == "NSR03") {
            result.udf = true;
        } else if (id != "BEA01" && id != "TEA01" && id != "BOOT2" && id != "CDW02") {
            // The end of both the descriptor set and the recognition sequence.
            break;
        }
    }
    if (!result.iso9660 && !result.udf)
        return std::nullopt;
    if (result.iso9660) {
        result.label = result.joliet ? jolietLabel(active) : primaryLabel(active);
        result.serial = windowsserial::descriptorSerial(active);
    }
    return result;
}

} // namespace kavro
