#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace kavro {

// What the volume descriptors at the start of a data disc's session say.
struct VolumeDescriptors {
    static constexpr int SectorBytes = 2048;

    bool iso9660 = false;     // a primary volume descriptor
    bool joliet = false;      // a supplementary descriptor with a Joliet escape
    bool udf = false;         // an NSR descriptor in the volume recognition sequence
    std::string label;        // of the Joliet descriptor when there is one, else of the primary; UTF-8
    std::uint32_t serial = 0; // the Windows serial of the same descriptor; 0 without ISO 9660

    // Reads one 2048-byte sector into buffer; false when there is no such sector.
    using SectorReader = std::function<bool(std::uint32_t sector, std::uint8_t* buffer)>;

    // The descriptors from sector sessionStart + 16 on. nullopt when neither ISO 9660 nor UDF is
    // recognised.
    static std::optional<VolumeDescriptors> read(const SectorReader& readSector,
                                                 std::uint32_t sessionStart = 0);
};

} // namespace kavro
