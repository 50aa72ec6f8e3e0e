#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace kavro {

// The local-machine hive of the registry as files below a root folder:
//   key "SOFTWARE\kavro"           -> folder <root>/SOFTWARE/kavro
//   string value "Password" in it  -> file   <root>/SOFTWARE/kavro/Password, holding the value's
//                                     bytes as plain text, without a terminating zero
// Key and value names match without regard to case, as the registry's do; a missing part is
// created with the spelling given. In a name, "%", "/" and control bytes are stored as "%XX",
// as is a leading "." or "@"; the unnamed default value is the file "@".
// The root defaults to /etc/kavro/registry (machine-wide, writable by administrators only);
// builds choose another with the CMake cache variable KAVRO_REGISTRY_ROOT. Nothing at run time
// moves it (tests give their own root to the constructor).
class RegistryStore {
public:
    explicit RegistryStore(std::filesystem::path root = defaultRoot());

    static std::filesystem::path defaultRoot();

    const std::filesystem::path& root() const { return m_root; }

    // The key exists and can be read.
    bool openKey(std::string_view keyPath) const;
    // The key exists and values can be written in it (an open with full access).
    bool openKeyWritable(std::string_view keyPath) const;
    // Creates the key and its missing parents; true when it then exists and is writable.
    bool createKey(std::string_view keyPath);

    // nullopt when the key or the value is missing or unreadable. The data end at the first
    // zero byte and are cut to at most maxBytes bytes without splitting a character.
    std::optional<std::string> readString(std::string_view keyPath, std::string_view value,
                                          std::size_t maxBytes) const;
    // Sets the value in an existing key; false when the key is missing or not writable.
    bool writeString(std::string_view keyPath, std::string_view value, std::string_view data);

private:
    std::optional<std::filesystem::path> keyFolder(std::string_view keyPath) const;

    std::filesystem::path m_root;
};

} // namespace kavro
