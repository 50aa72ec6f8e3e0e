#pragma once

#include "shell/Settings.h"

#include <cstddef>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

// Every key of the settings file in one place: section, name, default and, for texts, the
// longest value its reader takes. Where two readers of one key differ in default or length,
// each has its own object (FontNameStartup and FontNameDialog, DblClickMain and DblClickDialog).
namespace kavro::keys {

struct IntKey {
    std::string_view section;
    std::string_view name;
    int def;

    // The same key read with another default (e.g. a column width read by a different list).
    constexpr IntKey withDefault(int otherDefault) const { return {section, name, otherDefault}; }
};

struct StringKey {
    std::string_view section;
    std::string_view name;
    std::string_view def;
    std::size_t maxLength;
};

inline constexpr std::string_view System = "System";
inline constexpr std::string_view Explorer = "EXPLORER";

// Main window geometry (0 normal, 1 minimised, 2 maximised).
inline constexpr IntKey WindowState{System, "WindowState", 2};
inline constexpr IntKey FormWidth{System, "FormWidth", 1028};
inline constexpr IntKey FormHeight{System, "FormHeight", 746};
inline constexpr IntKey Width1{System, "Width1", 265};   // left pane width
inline constexpr IntKey Height1{System, "Height1", 567}; // left pane height
inline constexpr IntKey Height2{System, "Height2", 296}; // upper navigation tree height

// Any non-zero value switches the put/take log on.
inline constexpr IntKey RetrieveLog{System, "RetrieveLog", 0};

// Main window font.
inline constexpr StringKey FontNameStartup{System, "FontName", "System", 19};
inline constexpr StringKey FontNameDialog{System, "FontName", "", 99};
inline constexpr IntKey FontColor{System, "FontColor", 0};
inline constexpr IntKey FontSize{System, "FontSize", 12};
inline constexpr StringKey FontStyle{System, "FontStyle", "", 19}; // "fsBold", "fsItalic", ...
inline constexpr IntKey Charset{System, "Charset", 1};

// 1 "DblClick For Front Door", 0 "DblClick For CD-ROM".
inline constexpr IntKey DblClickMain{System, "DblClick", 1};
inline constexpr IntKey DblClickDialog{System, "DblClick", 0};

inline constexpr StringKey LanguageName{System, "LanguageName", "language.eng", 39};
inline constexpr StringKey Language{System, "Language", "", 99}; // display name of the language

inline constexpr StringKey BackupPathDialog{System, "BackupPath", "", 99};
inline constexpr StringKey BackupPathPicker{System, "BackupPath", "", 199};
inline constexpr StringKey EMail{System, "eMail", "", 99};
inline constexpr StringKey CddbHost{System, "cddb_host", "", 99};
// Where audio-disc titles come from: "MusicBrainz", "CDDB" or "MusicBrainz+CDDB" (MusicBrainz,
// then the CDDB host when MusicBrainz has no answer).
inline constexpr StringKey TitleSource{System, "title_source", "MusicBrainz+CDDB", 39};
// The MusicBrainz web service.
inline constexpr StringKey MusicBrainzUrl{System, "musicbrainz_url", "https://musicbrainz.org", 199};
inline constexpr StringKey Cdrom{System, "Cdrom", "E:", 4};
inline constexpr StringKey ExcelFilename{System, "ExcelFilename", "", 99};

// Column widths of the main window's lists.
inline constexpr IntKey ExplorerWidth1{Explorer, "Width1", 40};
inline constexpr IntKey ExplorerWidth2{Explorer, "Width2", 40};
inline constexpr IntKey ExplorerWidth3{Explorer, "Width3", 40};
inline constexpr IntKey ExplorerWidth11{Explorer, "Width11", 100};
inline constexpr IntKey ExplorerWidth12{Explorer, "Width12", 100};
inline constexpr IntKey ExplorerWidth13{Explorer, "Width13", 60};
inline constexpr IntKey ExplorerWidth14{Explorer, "Width14", 40}; // read, never written
inline constexpr IntKey ExplorerWidth15{Explorer, "Width15", 100};

inline int read(const Settings& settings, const IntKey& key)
{
    return settings.readInt(key.section, key.name, key.def);
}

// The value the file holds for the key; nullopt when it holds none (missing or empty).
inline std::optional<int> readSaved(const Settings& settings, const IntKey& key)
{
    constexpr int none = std::numeric_limits<int>::min();
    const int value = settings.readInt(key.section, key.name, none);
    return value == none ? std::nullopt : std::optional<int>(value);
}

inline std::string read(const Settings& settings, const StringKey& key)
{
    return settings.readString(key.section, key.name, key.def, key.maxLength);
}

inline bool write(Settings& settings, const IntKey& key, int value)
{
    return settings.writeInt(key.section, key.name, value);
}

inline bool write(Settings& settings, const StringKey& key, std::string_view value)
{
    return settings.writeString(key.section, key.name, value);
}

} // namespace kavro::keys
