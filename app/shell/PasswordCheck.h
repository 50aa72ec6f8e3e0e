#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kavro {

class Person;
class RegistryStore;

// The start-up password: value "Password" of key "SOFTWARE\kavro" in the local-machine hive,
// plain text, at most 99 bytes. An absent key, absent value or empty value means no password.
namespace password {

inline constexpr std::string_view keyPath = "SOFTWARE\\kavro";
inline constexpr std::string_view valueName = "Password";
inline constexpr std::size_t maxBytes = 99;
inline constexpr std::string_view storeFailedText = "Set password wrong !!!";

// Entries are cut to maxBytes without splitting a character.
std::string cut(std::string_view typed);

// The stored password, "" when none is set or the key cannot be read. A line break that an
// editor left at the end of the file is not part of it (the entry field cannot type one).
std::string stored(const RegistryStore& store);

} // namespace password

// The logic of the password entry dialog shown at start-up.
class PasswordEntryCheck {
public:
    explicit PasswordEntryCheck(std::string stored);

    // OK button or Enter with the edit's text. Returns true when the dialog closes: on the right
    // password, or on the sixth wrong one. A wrong entry shows nothing.
    bool confirm(std::string_view typed);

    // The text last confirmed ("" when none was).
    const std::string& entered() const { return m_entered; }
    int attempts() const { return m_attempts; }

    // What start-up checks after the dialog has closed, however it was closed.
    bool accepted() const { return m_entered == m_stored; }

private:
    std::string m_stored;
    std::string m_entered;
    int m_attempts = 0;
};

// The logic of the change-password dialog.
class PasswordChangeCheck {
public:
    enum class Result {
        Mismatch,    // the two entries differ: clear both edits, the dialog stays open
        Stored,      // the password was stored (an empty one removes the protection): close
        StoreFailed, // "Set password wrong !!!" was shown, nothing stored: close
    };

    PasswordChangeCheck(RegistryStore& store, Person& person);

    Result change(std::string_view first, std::string_view again);

private:
    RegistryStore& m_store;
    Person& m_person;
};

} // namespace kavro
