#include "session/Session.h"

#include "analysis/ReferenceDraw.h"
#include "analysis/SearchRules.h"

#include "core/Clock.h"
#include "core/IssueNumber.h"
#include "core/Kinds.h"
#include "acquire/UpdateUrl.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <utility>

namespace corvinel {

namespace {

static_assert(Session::kMenuGames[0] == issue::kGuangdong && Session::kMenuGames[1] == issue::kTianjin
              && Session::kMenuGames[2] == issue::kHunan);

bool validKind(int kind)
{
    return kind >= 0 && kind < kKindCount;
}

} // namespace

Session::Session(std::unique_ptr<Settings> settings, QString dataFolder, QObject* parent)
    : QObject(parent)
    , m_settings(settings ? std::move(settings) : std::make_unique<Settings>())
    , m_dataFolder(dataFolder)
    , m_dataRoot(std::move(dataFolder))
    , m_choices(*m_settings)
    , m_history(new SessionHistory(this))
{
    connect(m_history, &SessionHistory::writingChanged, this, &Session::writingChanged);
    // The range shown follows whatever it is computed from.
    connect(this, &Session::historyChanged, this, &Session::rangeChanged);
    connect(this, &Session::choicesChanged, this, &Session::rangeChanged);
    connect(this, &Session::patternChanged, this, &Session::rangeChanged);
}

namespace {

// A box may hold any whole number; one beyond int matches no draw, as any
// other value outside 1..20 does, instead of wrapping round to one that might.
int patternValue(std::int64_t v)
{
    return static_cast<int>(
        std::clamp<std::int64_t>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

} // namespace

Session::~Session() = default;

void Session::startUp()
{
    // A setting that cannot be read leaves its choice as it is (zero or
    // false on a fresh session); each step goes on regardless.
    m_choices.load(m_gameOverride);
    openGameHistory();
    const SessionChoices& c = choices();

    // Selecting the stored options runs their click handling, as a click by
    // the user would: each of them writes its keys again.
    setFreePosition(c.freePosition);
    setPreviousIssue(c.previousIssue);
    setGroupMode(c.groupMode);
    if (c.resultPosition >= 1 && c.resultPosition <= kPositions)
        setResultPosition(c.resultPosition);
    if (validKind(c.resultKind))
        setResultKind(c.resultKind);
    setRedBallsOnly(c.redBallsOnly);

    nextIssueDisplay();
    zodiac().setCurrentZodiacYear(ZodiacTables::zodiacYearOfText(m_nextIssue, Clock::today().year()));

    if (validKind(c.searchKind))
        setSearchKind(c.searchKind);

    m_patterns.manualMode = m_patterns.selectedTab != TabHistory;
    patternRefresh();

    // Zodiac numbers always start in order; the by-age numbering takes effect
    // with the next choice of the zodiac base.
    zodiac().fillNumbersByOrder(c.zodiacBase);
    zodiac().fillYearGroups(zodiac().currentZodiacYear());

    m_started = true;
    // The copy read above is the history as it stands: the grid gets it
    // without reading the rows a second time.
    emit historyChanged();
    emit choicesChanged();
    emit patternChanged();
}

bool Session::option1Selected(int i) const
{
    switch (i) {
    case 0:
        return !choices().freePosition;
    case 1:
        return choices().freePosition;
    case 2:
        return !choices().previousIssue;
    case 3:
        return choices().previousIssue;
    default:
        return false;
    }
}

bool Session::option2Selected(int i) const
{
    return i == 5 ? choices().groupMode : (i == 4 && !choices().groupMode);
}

bool Session::option6Selected(int i) const
{
    return i == 1 ? choices().redBallsOnly : (i == 0 && !choices().redBallsOnly);
}

bool Session::mnuSxsetupChecked(int i) const
{
    return i == 0 ? choices().zodiacNumbersByOrder : (i == 1 && !choices().zodiacNumbersByOrder);
}

bool Session::mnuKL10Checked(int i) const
{
    return i >= 0 && i < static_cast<int>(kMenuGames.size()) && kMenuGames[i] == choices().lotteryCode;
}

void Session::setFreePosition(bool free)
{
    m_choices.set(&SessionChoices::freePosition, free);
    positionModeChanged();
}

void Session::setPreviousIssue(bool previous)
{
    m_choices.set(&SessionChoices::previousIssue, previous);
    positionModeChanged();
}

void Session::positionModeChanged()
{
    // Both keys are written on either choice, as the option group always did.
    m_choices.rewrite(&SessionChoices::freePosition);
    m_choices.rewrite(&SessionChoices::previousIssue);
    patternRefresh();
    if (m_patterns.selectedTab == TabVerify)
        verificationRefresh();
    emit choicesChanged();
    emit patternChanged();
}

void Session::setGroupMode(bool group)
{
    m_choices.set(&SessionChoices::groupMode, group);
    m_choices.rewrite(&SessionChoices::previousIssue);
    patternRefresh();
    emit choicesChanged();
    emit patternChanged();
}

void Session::setSearchKind(int i)
{
    if (!validKind(i))
        return;
    m_choices.set(&SessionChoices::searchKind, i);
    patternRefresh();
    emit choicesChanged();
    emit patternChanged();
}

void Session::setResultKind(int i)
{
    if (!validKind(i))
        return;
    m_choices.set(&SessionChoices::resultKind, i);
    emit choicesChanged();
}

void Session::setResultPosition(int i)
{
    if (i < 1 || i > kPositions)
        return;
    m_choices.set(&SessionChoices::resultPosition, i);
    emit choicesChanged();
}

void Session::setRedBallsOnly(bool on)
{
    m_choices.set(&SessionChoices::redBallsOnly, on);
    emit choicesChanged();
}

std::optional<Refusal> Session::setLookBackText(const QString& text)
{
    QString digits = text;
    digits.remove(u'_');
    const auto v = issue::wholeNumber(digits);
    // A count of 0 (or an empty box) would make the reference draw the
    // draw after the last one; the box takes one digit, so 1..9 remain.
    if (!v || !Settings::intPreQi.allows(static_cast<int>(std::clamp<std::int64_t>(*v, -1, 10)))) {
        emit choicesChanged(); // the box shows the count kept
        return Refusal { QStringLiteral("输入有误"), QStringLiteral("前几期的期数只能是1到9中的自然数，请重新输入。") };
    }
    m_choices.set(&SessionChoices::lookBack, static_cast<int>(*v));
    patternRefresh();
    emit choicesChanged();
    emit patternChanged();
    return std::nullopt;
}

void Session::setCombinationSizeText(const QString& text)
{
    const auto v = issue::wholeNumber(text);
    if (v && *v >= 1 && *v <= 6)
        m_choices.set(&SessionChoices::combinationSize, static_cast<int>(*v));
    emit choicesChanged();
}

bool Session::manualKeyAccepted(QChar c)
{
    return c.unicode() == 8 || c == u'-' || (c >= u'0' && c <= u'9');
}

void Session::setPatternValue(int tab, int position, std::optional<int> value)
{
    if (tab < TabHistory || tab > TabVerify || position < 1 || position > kPositions || !value)
        return;
    m_patterns.page(tab).values[static_cast<std::size_t>(position - 1)] = value;
}

void Session::setPositionTicked(int tab, int position, bool ticked)
{
    if (tab < TabHistory || tab > TabVerify || position < 1 || position > kPositions)
        return;
    m_patterns.page(tab).ticked[static_cast<std::size_t>(position - 1)] = ticked;
}

void Session::setManualPatternText(int position, const QString& text)
{
    if (position < 1 || position > kPositions)
        return;
    if (const auto v = issue::wholeNumber(text)) {
        m_patterns.page(TabManual).values[static_cast<std::size_t>(position - 1)] = patternValue(*v);
        m_patterns.pattern[static_cast<std::size_t>(position)] = patternValue(*v);
    }
    emit patternChanged();
}

void Session::setSegmentBase(int i)
{
    if (i != 0 && i != 1)
        return;
    m_choices.set(&SessionChoices::segmentBase, i);
    emit choicesChanged();
}

void Session::setZodiacBase(int i)
{
    if (i != 0 && i != 1)
        return;
    m_choices.set(&SessionChoices::zodiacBase, i);
    if (choices().zodiacNumbersByOrder)
        zodiac().fillNumbersByOrder(i);
    else
        zodiac().fillNumbersByAge(zodiac().currentZodiacYear(), i);
    emit choicesChanged();
    // Zodiac names on the pages follow the base.
    emit patternChanged();
}

void Session::setZodiacNumbersByOrder(bool byOrder)
{
    // The numbers follow this choice at the next choice of the zodiac base.
    m_choices.set(&SessionChoices::zodiacNumbersByOrder, byOrder);
    emit choicesChanged();
}

void Session::setGame(int code)
{
    if (std::find(kMenuGames.begin(), kMenuGames.end(), code) == kMenuGames.end())
        return;
    // The next issue keeps its number until the history changes.
    const bool switched = code != choices().lotteryCode;
    m_choices.setGame(code);
    if (switched && m_started)
        switchGameHistory();
    emit choicesChanged();
}

QString Session::setDayPrompt()
{
    return QStringLiteral(
        "请输入更新需要保留的历史号码的天数（2~16中的任意自然数），如果超过天数将删除最早的一天的历史号码");
}

QString Session::setDayTitle()
{
    return QStringLiteral("设置天数");
}

Refusal Session::setDayRefusal()
{
    return { QStringLiteral("输入有误"),
             QStringLiteral("为了保证时效性和提高计算效率，软件只能统计16天以内的数据，请输入2到16中的自然数。") };
}

Session::SetDayOutcome Session::mnuSetDayAnswer(const std::optional<QString>& answer)
{
    if (!answer || answer->isEmpty())
        return SetDayOutcome::Unchanged;
    const auto v = issue::wholeNumber(*answer);
    if (!v || *v < Settings::IniSerchDay.low || *v > Settings::IniSerchDay.high)
        return SetDayOutcome::Refused;
    m_choices.set(&SessionChoices::retentionDays, static_cast<int>(*v));
    emit choicesChanged();
    return SetDayOutcome::Accepted;
}

QString Session::updateBasePrompt()
{
    return QStringLiteral("请输入在线更新使用的开奖网站地址（以 http:// 或 https:// 开头）；留空则清除已保存的网址：");
}

QString Session::updateBaseTitle()
{
    return QStringLiteral("在线更新网址");
}

std::optional<Refusal> Session::setUpdateBase(const QString& address)
{
    const QString a = address.trimmed();
    // The update's own test, so that an address taken here is one it can use.
    if (!a.isEmpty() && !update::isUsableBase(a))
        return Refusal { QStringLiteral("输入有误"),
                         QStringLiteral("网址无效：请输入以 http:// 或 https:// 开头、不带查询或锚点的完整网址。") };
    m_choices.setUpdateBase(a);
    emit choicesChanged();
    return std::nullopt;
}

void Session::selectTab(int tab)
{
    if (tab < TabHistory || tab > TabVerify)
        return;
    m_patterns.selectedTab = tab;
    if (tab == TabHistory) {
        m_patterns.manualMode = false;
        // The values shown are taken, not re-read; a zodiac name keeps its slot.
        patternFromPage(TabHistory);
    } else if (tab == TabManual) {
        m_patterns.manualMode = true;
        patternFromPage(TabManual);
    } else {
        verificationRefresh();
    }
    emit patternChanged();
}

QString Session::patternText(int value) const
{
    if (choices().searchKind == kindIndex(Kind::Zodiac))
        return ZodiacTables::nameOfValue(value, choices().zodiacBase);
    return QString::number(value);
}

void Session::patternFromDraw(const SnapshotRow& draw, int tab)
{
    if (!validKind(choices().searchKind))
        return;
    PatternPage& page = m_patterns.page(tab);
    for (int k = 1; k <= kPositions; ++k) {
        const int v = draw.value(k, choices().searchKind);
        m_patterns.pattern[static_cast<std::size_t>(k)] = v;
        page.values[static_cast<std::size_t>(k - 1)] = v;
    }
}

void Session::showReferenceDraw(const SnapshotRow& draw)
{
    if (!validKind(choices().searchKind))
        return;
    for (int k = 1; k <= kPositions; ++k)
        m_patterns.page(TabHistory).values[static_cast<std::size_t>(k - 1)] = draw.value(k, choices().searchKind);
}

void Session::patternFromPage(int tab)
{
    const PatternPage& page = m_patterns.page(tab);
    for (int k = 1; k <= kPositions; ++k) {
        if (const auto v = page.values[static_cast<std::size_t>(k - 1)])
            m_patterns.pattern[static_cast<std::size_t>(k)] = *v;
    }
}

std::optional<std::int64_t> Session::verificationPredecessor() const
{
    return issue::verificationPredecessor(m_patterns.verificationIssue, choices().lotteryCode, choices().drawsPerDay);
}

void Session::patternRefresh()
{
    const SessionChoices& c = choices();
    const ReferenceDraw ref = findReferenceDraw(storedDraws(), std::nullopt, c.previousIssue, c.lookBack);
    // Tab 1's page follows the reference draw while another tab is shown, so
    // that switching back (which takes the values shown) finds them current.
    if (m_patterns.selectedTab != TabHistory && ref.row)
        showReferenceDraw(*ref.row);
    if (m_patterns.selectedTab == TabVerify) {
        // The verification tab's pattern is the verification draw's, not the
        // typed page's.
        verificationRefresh();
        return;
    }
    if (m_patterns.selectedTab != TabHistory) {
        m_patterns.manualMode = true;
        patternFromPage(TabManual);
        return;
    }
    if (ref.row)
        patternFromDraw(*ref.row, TabHistory);
}

void Session::nextIssueDisplay()
{
    const StoredDraws& draws = storedDraws();
    const auto lastIssue = draws.lastIssue();
    if (!lastIssue) {
        emit nextIssueChanged(); // the texts kept, shown again
        return;
    }
    if (const auto last = draws.drawBack(*lastIssue, 0))
        m_lastDrawQqh = last->qqh;
    if (const auto next = issue::nextIssue(*lastIssue, choices().lotteryCode, choices().drawsPerDay))
        m_nextIssue = *next;
    m_patterns.verificationIssue = m_nextIssue;
    emit nextIssueChanged();
}

void Session::verificationRefresh()
{
    const auto predecessor = verificationPredecessor();
    if (!predecessor)
        return;
    // A predecessor not stored (or too few draws before it) keeps the pattern.
    const ReferenceDraw ref
        = findReferenceDraw(storedDraws(), *predecessor, choices().previousIssue, choices().lookBack);
    if (ref.row)
        patternFromDraw(*ref.row, TabVerify);
}

std::optional<Refusal> Session::setVerificationIssue(const QString& text)
{
    m_patterns.verificationIssue = text.trimmed();
    const SessionChoices& c = choices();
    if (auto r = rules::verificationRefusal(m_patterns.verificationIssue, c.lotteryCode, c.drawsPerDay,
                                            storedDraws(), c.previousIssue, c.lookBack)) {
        emit patternChanged();
        return Refusal { QStringLiteral("验证指定期"), *r };
    }
    verificationRefresh();
    emit patternChanged();
    return std::nullopt;
}

void Session::typeVerificationIssue(const QString& text)
{
    if (m_patterns.verificationIssue == text.trimmed())
        return;
    m_patterns.verificationIssue = text.trimmed();
    emit rangeChanged();
}

std::optional<Refusal> Session::prepareSearch()
{
    const SessionChoices& c = choices();
    if (m_patterns.selectedTab == TabVerify) {
        if (auto r = rules::verificationRefusal(m_patterns.verificationIssue, c.lotteryCode, c.drawsPerDay,
                                                storedDraws(), c.previousIssue, c.lookBack))
            return Refusal { QStringLiteral("验证指定期"), *r };
        verificationRefresh();
    } else {
        patternFromPage(m_patterns.selectedTab == TabManual ? TabManual : TabHistory);
    }
    emit patternChanged();
    return std::nullopt;
}

QString Session::automaticRangeStart(bool previousIssue, int back) const
{
    const auto first = storedDraws().firstIssue();
    if (!first)
        return {};
    return issue::displayForm(*first + (previousIssue ? 1 : back));
}

bool Session::rangeEndFollowsVerification() const
{
    return m_patterns.selectedTab == TabVerify && m_onlyBeforeVerification && verificationPredecessor().has_value();
}

QString Session::rangeStart() const
{
    return m_typedRange ? m_typedRange->first : automaticRangeStart(choices().previousIssue, choices().lookBack);
}

QString Session::rangeEnd() const
{
    if (rangeEndFollowsVerification())
        return issue::displayForm(*verificationPredecessor());
    if (m_typedRange)
        return m_typedRange->second;
    const auto last = storedDraws().lastIssue();
    return last ? issue::displayForm(*last) : QString();
}

void Session::typeRangeBox(int end, const QString& text)
{
    if (end != 0 && end != 1)
        return;
    if (!m_typedRange) {
        const auto last = storedDraws().lastIssue();
        m_typedRange.emplace(automaticRangeStart(choices().previousIssue, choices().lookBack),
                             last ? issue::displayForm(*last) : QString());
    }
    (end == 0 ? m_typedRange->first : m_typedRange->second) = text;
    emit rangeChanged();
}

void Session::useAutomaticRange()
{
    if (!m_typedRange)
        return;
    m_typedRange.reset();
    emit rangeChanged();
}

void Session::setOnlyBeforeVerification(bool on)
{
    m_onlyBeforeVerification = on;
    emit rangeChanged();
}

void Session::reloadHistory()
{
    m_history->reload();
    nextIssueDisplay();
    patternRefresh();
    emit historyChanged();
    emit patternChanged();
}

} // namespace corvinel
