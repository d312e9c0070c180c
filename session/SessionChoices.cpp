#include "session/SessionChoices.h"

#include "core/IssueNumber.h"
#include "core/Kinds.h"

#include <array>

namespace corvinel {

namespace {

struct BoolBinding
{
    const Settings::BoolKey* key;
    bool SessionChoices::*choice;
};

struct IntBinding
{
    const Settings::IntKey* key;
    int SessionChoices::*choice;
};

// The one place where a choice meets its key.
constexpr std::array<BoolBinding, 5> kBoolBindings = { {
    { &Settings::bolZyw, &SessionChoices::freePosition },
    { &Settings::bolSq, &SessionChoices::previousIssue },
    { &Settings::bolZuxuan, &SessionChoices::groupMode },
    { &Settings::SxSetup, &SessionChoices::zodiacNumbersByOrder },
    { &Settings::bolZhpm, &SessionChoices::redBallsOnly },
} };

constexpr std::array<IntBinding, 9> kIntBindings = { {
    { &Settings::GsZl, &SessionChoices::lotteryCode },
    { &Settings::intLei, &SessionChoices::searchKind },
    { &Settings::intConsqSort, &SessionChoices::resultPosition },
    { &Settings::intXianshiLei, &SessionChoices::resultKind },
    { &Settings::DsIni, &SessionChoices::segmentBase },
    { &Settings::SxIni, &SessionChoices::zodiacBase },
    { &Settings::intPreQi, &SessionChoices::lookBack },
    { &Settings::intZhWSetup, &SessionChoices::combinationSize },
    { &Settings::IniSerchDay, &SessionChoices::retentionDays },
} };

const BoolBinding* bindingOf(bool SessionChoices::*choice)
{
    for (const BoolBinding& b : kBoolBindings) {
        if (b.choice == choice)
            return &b;
    }
    return nullptr;
}

const IntBinding* bindingOf(int SessionChoices::*choice)
{
    for (const IntBinding& b : kIntBindings) {
        if (b.choice == choice)
            return &b;
    }
    return nullptr;
}

} // namespace

void ChoiceStore::load(std::optional<int> gameOverride)
{
    for (const BoolBinding& b : kBoolBindings) {
        if (const auto v = m_settings.read(*b.key))
            m_values.*b.choice = *v;
    }
    for (const IntBinding& b : kIntBindings) {
        if (const auto v = b.key->strict ? m_settings.allowed(*b.key) : m_settings.read(*b.key))
            m_values.*b.choice = *v;
    }
    if (!Settings::IniSerchDay.allows(m_values.retentionDays))
        m_values.retentionDays = Settings::IniSerchDay.def;
    m_values.updateBase = m_settings.readText(Settings::UpdateBase);
    if (gameOverride)
        m_values.lotteryCode = *gameOverride;
    m_values.drawsPerDay = issue::drawsPerDay(m_values.lotteryCode);
    if (m_values.resultKind >= 0 && m_values.resultKind < kKindCount)
        m_values.resultKindLetter = QString::fromLatin1(kindLetter(m_values.resultKind).data(), 1);
}

void ChoiceStore::set(bool SessionChoices::*choice, bool value)
{
    m_values.*choice = value;
    rewrite(choice);
}

void ChoiceStore::set(int SessionChoices::*choice, int value)
{
    m_values.*choice = value;
    if (choice == &SessionChoices::resultKind && value >= 0 && value < kKindCount)
        m_values.resultKindLetter = QString::fromLatin1(kindLetter(value).data(), 1);
    rewrite(choice);
}

void ChoiceStore::rewrite(bool SessionChoices::*choice)
{
    if (const BoolBinding* b = bindingOf(choice))
        m_settings.write(*b->key, m_values.*choice);
}

void ChoiceStore::rewrite(int SessionChoices::*choice)
{
    if (const IntBinding* b = bindingOf(choice))
        m_settings.write(*b->key, m_values.*choice);
}

void ChoiceStore::setUpdateBase(const QString& address)
{
    m_values.updateBase = address;
    m_settings.writeText(Settings::UpdateBase, address);
}

void ChoiceStore::setGame(int code, bool persist)
{
    m_values.lotteryCode = code;
    m_values.drawsPerDay = issue::drawsPerDay(code);
    if (persist)
        m_settings.write(Settings::GsZl, code);
}

} // namespace corvinel
