#include "cddb/DiscTitleLookup.h"

#include "cddb/CddbLookup.h"
#include "platform/CdToc.h"
#include "platform/Person.h"
#include "platform/Text.h"
#include "shell/SettingsKeys.h"

namespace kavro {

TitleSource TitleSourceOf(std::string_view setting)
{
    const std::string s = text::trimBlanks(setting);
    if (text::equalsIgnoreAsciiCase(s, TitleSourceSetting(TitleSource::MusicBrainz)))
        return TitleSource::MusicBrainz;
    if (text::equalsIgnoreAsciiCase(s, TitleSourceSetting(TitleSource::Cddb)))
        return TitleSource::Cddb;
    return TitleSource::MusicBrainzThenCddb;
}

std::string_view TitleSourceSetting(TitleSource source)
{
    switch (source) {
    case TitleSource::MusicBrainz:
        return "MusicBrainz";
    case TitleSource::Cddb:
        return "CDDB";
    case TitleSource::MusicBrainzThenCddb:
        break;
    }
    return "MusicBrainz+CDDB";
}

DiscTitleLookup::DiscTitleLookup(CdTocReader& tocReader) : m_tocReader(tocReader) {}

DiscTitleLookup::Result DiscTitleLookup::lookUp(const std::string& device, const Settings& settings,
                                                Person& person, Clock& clock, const Texts& texts)
{
    if (m_busy)
        return Refused;
    m_resultText.clear();
    // Marked busy before the drive is touched: waiting for a drive to close its tray already lets
    // events run.
    BusyMark mark(m_busy);
    const std::string email = keys::read(settings, keys::EMail);
    if (!CheckLookupEmail(email, person, texts))
        return Failed;
    BusyCursor hourglass(person);
    const auto toc = ReadLookupToc(m_tocReader, device, person, clock, texts);
    if (!toc)
        return Failed;
    return titlesOf(*toc, email, settings, person, clock, texts);
}

DiscTitleLookup::Result DiscTitleLookup::lookUp(const CdToc& toc, const Settings& settings, Person& person,
                                                Clock& clock, const Texts& texts)
{
    if (m_busy)
        return Refused;
    m_resultText.clear();
    BusyMark mark(m_busy);
    const std::string email = keys::read(settings, keys::EMail);
    if (!CheckLookupEmail(email, person, texts))
        return Failed;
    BusyCursor hourglass(person);
    return titlesOf(toc, email, settings, person, clock, texts);
}

DiscTitleLookup::Result DiscTitleLookup::titlesOf(const CdToc& toc, const std::string& email,
                                                  const Settings& settings, Person& person, Clock& clock,
                                                  const Texts& texts)
{
    const TitleSource source = TitleSourceOf(keys::read(settings, keys::TitleSource));
    const std::string cddbHost = text::trimBlanks(keys::read(settings, keys::CddbHost));
    const auto fromMusicBrainz = [&] {
        return m_musicBrainz.titles(toc, keys::read(settings, keys::MusicBrainzUrl), email, person, clock, texts);
    };
    const auto fromCddb = [&] { return CddbTitles(toc, cddbHost, email, person, clock, texts); };

    TitleOutcome outcome;
    if (source == TitleSource::MusicBrainz) {
        outcome = fromMusicBrainz();
    } else if (source == TitleSource::Cddb) {
        outcome = fromCddb();
    } else {
        outcome = fromMusicBrainz();
        const bool askCddb = outcome.kind != TitleOutcome::Found && outcome.kind != TitleOutcome::Cancelled &&
                             !cddbHost.empty();
        if (askCddb) {
            TitleOutcome second = fromCddb();
            if (second.kind == TitleOutcome::Found || second.kind == TitleOutcome::Cancelled) {
                outcome = std::move(second);
            } else {
                // Neither knows the disc: one box says what each answered.
                const bool failed = outcome.kind == TitleOutcome::Failed || second.kind == TitleOutcome::Failed;
                outcome.message += "\n" + second.message;
                outcome.kind = failed ? TitleOutcome::Failed : TitleOutcome::NotFound;
            }
        }
    }
    TellOutcome(outcome, person, texts);
    if (outcome.kind != TitleOutcome::Found)
        return Failed;
    m_resultText = outcome.text;
    return Found;
}

} // namespace kavro
