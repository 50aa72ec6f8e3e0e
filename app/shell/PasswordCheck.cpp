#include "shell/PasswordCheck.h"

#include "platform/Person.h"
#include "platform/Text.h"
#include "shell/RegistryStore.h"

namespace kavro {

namespace password {

std::string cut(std::string_view typed)
{
    return text::cutUtf8(typed, maxBytes);
}

std::string stored(const RegistryStore& store)
{
    if (!store.openKey(keyPath))
        return {};
    auto value = store.readString(keyPath, valueName, maxBytes + 2);
    if (!value)
        return {};
    while (!value->empty() && (value->back() == '\n' || value->back() == '\r'))
        value->pop_back();
    return cut(*value);
}

} // namespace password

PasswordEntryCheck::PasswordEntryCheck(std::string stored) : m_stored(password::cut(stored)) {}

bool PasswordEntryCheck::confirm(std::string_view typed)
{
    m_entered = password::cut(typed);
    // The right password closes even at the sixth try: the check comes before the limit.
    if (m_entered == m_stored)
        return true;
    ++m_attempts;
    return m_attempts > 5;
}

PasswordChangeCheck::PasswordChangeCheck(RegistryStore& store, Person& person)
    : m_store(store), m_person(person)
{
}

PasswordChangeCheck::Result PasswordChangeCheck::change(std::string_view first, std::string_view again)
{
    const std::string entry = password::cut(first);
    if (entry != password::cut(again))
        return Result::Mismatch;
    const bool open = m_store.openKeyWritable(password::keyPath) || m_store.createKey(password::keyPath);
    // A value that cannot be written is reported like a key that cannot be opened, rather than
    // closing as if the new password had been set.
    if (!open || !m_store.writeString(password::keyPath, password::valueName, entry)) {
        m_person.messageBox(std::string(password::storeFailedText), "Error", BoxIcon::Error, BoxButtons::Ok);
        return Result::StoreFailed;
    }
    return Result::Stored;
}

} // namespace kavro
