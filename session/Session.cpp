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
    , m_encoder(m_zodiac)
{
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

Session::~Session()
{
    // The write ends while the session is whole; its completion is dropped
    // (whoever asked for it may be gone).
    m_writer.wait();
}

void Session::startBackgroundWrite(BackgroundWriter::Job job, WriteFinished finished)
{
    waitForWrites();
    m_writeFinished = std::move(finished);
    m_writer.start(m_store.databasePath(), std::move(job), [this](bool, const QString&) {
        // On the writer's thread: tell this thread's event loop.
        QMetaObject::invokeMethod(
            this, [this] { emit writingChanged(false); }, Qt::QueuedConnection);
    });
    emit writingChanged(true);
}

void Session::waitForWrites()
{
    if (!m_writeFinished && !m_writer.isBusy())
        return;
    QString error;
    const bool ok = m_writer.wait(&error);
    if (WriteFinished finished = std::exchange(m_writeFinished, nullptr))
        finished(ok, error);
}

void Session::startUp()
{
    // A setting that cannot be read leaves its variable as it is (zero or
    // false on a fresh session); each step goes on regardless.
    auto readInto = [this](const auto& key, auto& var) {
        if (const auto v = m_settings->read(key))
            var = *v;
    };

    // Retention days are needed before the window is built. Only the days the
    // menu can set are taken: a stored 0, a negative or an unreadable count
    // would make the next online update delete every stored draw as too old.
    retentionDays = Settings::IniSerchDay.def;
    if (const auto v = m_settings->read(Settings::IniSerchDay); v && *v >= 2 && *v <= 16)
        retentionDays = *v;
    updateBase = m_settings->readText(Settings::UpdateBase);

    readInto(Settings::bolZyw, freePosition);
    readInto(Settings::bolSq, previousIssue);
    if (m_gameOverride)
        lotteryCode = *m_gameOverride;
    else
        readInto(Settings::GsZl, lotteryCode);
    drawsPerDay = issue::drawsPerDay(lotteryCode);

    readInto(Settings::intLei, searchKind);

    openGameHistory();

    // Selecting the stored options runs their click handling, as a click by
    // the user would: each of them writes its keys again.
    setFreePosition(freePosition);
    setPreviousIssue(previousIssue);

    readInto(Settings::bolZuxuan, groupMode);
    setGroupMode(groupMode);

    readInto(Settings::intConsqSort, resultPosition);
    if (resultPosition >= 1 && resultPosition <= kPositions)
        setResultPosition(resultPosition);

    readInto(Settings::intXianshiLei, resultKind);
    if (validKind(resultKind)) {
        resultKindLetter = QString::fromLatin1(kindLetter(resultKind).data(), 1);
        setResultKind(resultKind);
    }

    // The bases offset the stored zodiac and segment values, which the encoder
    // and the searches count in fixed-size tables: only the menus' 0 and 1
    // fit, so any other stored number is treated as unreadable.
    auto readBase = [this](const Settings::IntKey& key, int& var) {
        if (const auto v = m_settings->read(key); v && (*v == 0 || *v == 1))
            var = *v;
    };
    readBase(Settings::DsIni, segmentBase);
    readBase(Settings::SxIni, zodiacBase);
    readInto(Settings::SxSetup, zodiacNumbersByOrder);
    readInto(Settings::bolZhpm, redBallsOnly);
    setRedBallsOnly(redBallsOnly);

    readInto(Settings::intPreQi, lookBack);
    lookBackText = QString::number(lookBack);
    readInto(Settings::intZhWSetup, combinationSize);
    combinationSizeText = QString::number(combinationSize);

    nextIssueDisplay();
    m_zodiac.setCurrentZodiacYear(ZodiacTables::zodiacYearOfText(nextIssueText, Clock::today().year()));

    if (validKind(searchKind))
        setSearchKind(searchKind);

    manualMode = selectedTab != TabHistory;
    patternRefresh();

    // Zodiac numbers always start in order; the by-age numbering takes effect
    // with the next choice of the zodiac base.
    m_zodiac.fillNumbersByOrder(zodiacBase);
    m_zodiac.fillYearGroups(m_zodiac.currentZodiacYear());

    m_started = true;
    // The copy read above is the history as it stands: the grid gets it
    // without reading the rows a second time.
    emit historyChanged();
    emit stateChanged();
}

bool Session::option1Selected(int i) const
{
    switch (i) {
    case 0:
        return !freePosition;
    case 1:
        return freePosition;
    case 2:
        return !previousIssue;
    case 3:
        return previousIssue;
    default:
        return false;
    }
}

bool Session::mnuKL10Checked(int i) const
{
    return i >= 0 && i < static_cast<int>(kMenuGames.size()) && kMenuGames[i] == lotteryCode;
}

void Session::setFreePosition(bool free)
{
    freePosition = free;
    positionModeChanged();
}

void Session::setPreviousIssue(bool previous)
{
    previousIssue = previous;
    positionModeChanged();
}

void Session::positionModeChanged()
{
    // Both keys are written on either choice, as the option group always did.
    m_settings->write(Settings::bolZyw, freePosition);
    m_settings->write(Settings::bolSq, previousIssue);
    patternRefresh();
    if (selectedTab == TabVerify)
        verificationRefresh();
    emit stateChanged();
}

void Session::setGroupMode(bool group)
{
    groupMode = group;
    m_settings->write(Settings::bolZuxuan, groupMode);
    m_settings->write(Settings::bolSq, previousIssue);
    patternRefresh();
    emit stateChanged();
}

void Session::setSearchKind(int i)
{
    if (!validKind(i))
        return;
    searchKind = i;
    patternRefresh();
    m_settings->write(Settings::intLei, searchKind);
    emit stateChanged();
}

void Session::setResultKind(int i)
{
    if (!validKind(i))
        return;
    resultKind = i;
    resultKindLetter = QString::fromLatin1(kindLetter(i).data(), 1);
    m_settings->write(Settings::intXianshiLei, resultKind);
    emit stateChanged();
}

void Session::setResultPosition(int i)
{
    if (i < 1 || i > kPositions)
        return;
    resultPosition = i;
    m_settings->write(Settings::intConsqSort, resultPosition);
    emit stateChanged();
}

void Session::setRedBallsOnly(bool on)
{
    redBallsOnly = on;
    m_settings->write(Settings::bolZhpm, redBallsOnly);
    emit stateChanged();
}

std::optional<Refusal> Session::setLookBackText(const QString& text)
{
    QString digits = text;
    digits.remove(u'_');
    const auto v = issue::wholeNumber(digits);
    // A count of 0 (or an empty box) would make the reference draw the
    // draw after the last one; the box takes one digit, so 1..9 remain.
    if (!v || *v < 1 || *v > 9) {
        lookBackText = QString::number(lookBack);
        emit stateChanged();
        return Refusal { QStringLiteral("输入有误"), QStringLiteral("前几期的期数只能是1到9中的自然数，请重新输入。") };
    }
    lookBack = static_cast<int>(*v);
    lookBackText = QString::number(lookBack);
    m_settings->write(Settings::intPreQi, lookBack);
    patternRefresh();
    emit stateChanged();
    return std::nullopt;
}

void Session::setCombinationSizeText(const QString& text)
{
    const auto v = issue::wholeNumber(text);
    if (v && *v >= 1 && *v <= 6) {
        combinationSize = static_cast<int>(*v);
        m_settings->write(Settings::intZhWSetup, combinationSize);
    }
    combinationSizeText = QString::number(combinationSize);
    emit stateChanged();
}

bool Session::manualKeyAccepted(QChar c)
{
    return c.unicode() == 8 || c == u'-' || (c >= u'0' && c <= u'9');
}

void Session::setManualPatternText(int element, const QString& text)
{
    if (element < 0 || element > 7)
        return;
    manualPatternTexts[element] = text;
    const int position = element == 0 ? 8 : element;
    if (const auto v = issue::wholeNumber(text))
        pattern[position] = patternValue(*v);
    emit stateChanged();
}

void Session::setSegmentBase(int i)
{
    if (i != 0 && i != 1)
        return;
    segmentBase = i;
    m_settings->write(Settings::DsIni, segmentBase);
    emit stateChanged();
}

void Session::setZodiacBase(int i)
{
    if (i != 0 && i != 1)
        return;
    zodiacBase = i;
    m_settings->write(Settings::SxIni, zodiacBase);
    if (zodiacNumbersByOrder)
        m_zodiac.fillNumbersByOrder(zodiacBase);
    else
        m_zodiac.fillNumbersByAge(m_zodiac.currentZodiacYear(), zodiacBase);
    emit stateChanged();
}

void Session::setZodiacNumbersByOrder(bool byOrder)
{
    // The numbers follow this choice at the next choice of the zodiac base.
    zodiacNumbersByOrder = byOrder;
    m_settings->write(Settings::SxSetup, zodiacNumbersByOrder);
    emit stateChanged();
}

void Session::setGame(int code)
{
    if (std::find(kMenuGames.begin(), kMenuGames.end(), code) == kMenuGames.end())
        return;
    // The next issue keeps its number until the history changes.
    const bool switched = code != lotteryCode;
    lotteryCode = code;
    drawsPerDay = issue::drawsPerDay(lotteryCode);
    m_settings->write(Settings::GsZl, lotteryCode);
    if (switched && m_started)
        switchGameHistory();
    emit stateChanged();
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
    if (!v || *v < 2 || *v > 16)
        return SetDayOutcome::Refused;
    retentionDays = static_cast<int>(*v);
    m_settings->write(Settings::IniSerchDay, retentionDays);
    emit stateChanged();
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
    updateBase = a;
    m_settings->writeText(Settings::UpdateBase, a);
    emit stateChanged();
    return std::nullopt;
}

void Session::selectTab(int tab)
{
    if (tab < TabHistory || tab > TabVerify)
        return;
    selectedTab = tab;
    if (tab == TabHistory) {
        manualMode = false;
        // The values shown are taken, not re-read; a zodiac name keeps its slot.
        patternFromBoxes(false);
    } else if (tab == TabManual) {
        manualMode = true;
        patternFromBoxes(true);
    } else {
        verificationRefresh();
    }
    emit stateChanged();
}

QString Session::patternText(int value) const
{
    if (searchKind == kindIndex(Kind::Zodiac))
        return ZodiacTables::nameOfValue(value, zodiacBase);
    return QString::number(value);
}

void Session::patternFromDraw(const SnapshotRow& draw, int firstBox)
{
    if (!validKind(searchKind))
        return;
    for (int k = 1; k <= kPositions; ++k) {
        const int v = draw.value(k, searchKind);
        pattern[k] = v;
        const QString shown = patternText(v);
        if (!shown.isEmpty())
            patternTexts[firstBox + k - 1] = shown;
    }
}

void Session::showReferenceDraw(const SnapshotRow& draw)
{
    if (!validKind(searchKind))
        return;
    for (int k = 1; k <= kPositions; ++k) {
        const QString shown = patternText(draw.value(k, searchKind));
        if (!shown.isEmpty())
            patternTexts[k] = shown;
    }
}

void Session::patternFromBoxes(bool manualBoxes)
{
    for (int k = 1; k <= kPositions; ++k) {
        const QString& box = manualBoxes ? manualPatternTexts[manualElementOfPosition(k)] : patternTexts[k];
        if (const auto v = issue::wholeNumber(box))
            pattern[k] = patternValue(*v);
    }
}

const HistorySnapshot& Session::snapshot() const
{
    if (!m_history)
        m_history = m_store.snapshot();
    return *m_history;
}

const StoredDraws& Session::storedDraws() const
{
    if (m_history)
        return *m_history;
    return m_store.draws();
}

std::optional<std::int64_t> Session::verificationPredecessor() const
{
    return issue::verificationPredecessor(verificationIssueText, lotteryCode, drawsPerDay);
}

void Session::patternRefresh()
{
    const ReferenceDraw ref = findReferenceDraw(storedDraws(), std::nullopt, previousIssue, lookBack);
    // Tab 1's boxes follow the reference draw while another tab is shown, so
    // that switching back (which takes the values shown) finds them current.
    if (selectedTab != TabHistory && ref.row)
        showReferenceDraw(*ref.row);
    if (selectedTab == TabVerify) {
        // The verification tab's pattern is the verification draw's, not the
        // manual boxes'.
        verificationRefresh();
        return;
    }
    if (selectedTab != TabHistory) {
        manualMode = true;
        patternFromBoxes(true);
        return;
    }
    if (ref.row)
        patternFromDraw(*ref.row, 1);
}

void Session::nextIssueDisplay()
{
    const StoredDraws& draws = storedDraws();
    const auto lastIssue = draws.lastIssue();
    if (!lastIssue)
        return;
    if (const auto last = draws.drawBack(*lastIssue, 0))
        lastDrawQqh = last->qqh;
    if (const auto next = issue::nextIssue(*lastIssue, lotteryCode, drawsPerDay))
        nextIssueText = *next;
    verificationIssueText = nextIssueText;
}

void Session::verificationRefresh()
{
    const auto predecessor = verificationPredecessor();
    if (!predecessor)
        return;
    // A predecessor not stored (or too few draws before it) keeps the pattern.
    const ReferenceDraw ref = findReferenceDraw(storedDraws(), *predecessor, previousIssue, lookBack);
    if (ref.row)
        patternFromDraw(*ref.row, 11);
}

std::optional<Refusal> Session::setVerificationIssue(const QString& text)
{
    verificationIssueText = text.trimmed();
    if (auto r = rules::verificationRefusal(verificationIssueText, lotteryCode, drawsPerDay, storedDraws(), previousIssue, lookBack)) {
        emit stateChanged();
        return Refusal { QStringLiteral("验证指定期"), *r };
    }
    verificationRefresh();
    emit stateChanged();
    return std::nullopt;
}

std::optional<Refusal> Session::prepareSearch()
{
    if (selectedTab == TabVerify) {
        if (auto r = rules::verificationRefusal(verificationIssueText, lotteryCode, drawsPerDay, storedDraws(), previousIssue, lookBack))
            return Refusal { QStringLiteral("验证指定期"), *r };
        verificationRefresh();
    } else {
        patternFromBoxes(selectedTab == TabManual);
    }
    emit stateChanged();
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
    return selectedTab == TabVerify && m_onlyBeforeVerification && verificationPredecessor().has_value();
}

QString Session::rangeStart() const
{
    return m_typedRange ? m_typedRange->first : automaticRangeStart(previousIssue, lookBack);
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
        m_typedRange.emplace(automaticRangeStart(previousIssue, lookBack), last ? issue::displayForm(*last) : QString());
    }
    (end == 0 ? m_typedRange->first : m_typedRange->second) = text;
    emit stateChanged();
}

void Session::useAutomaticRange()
{
    if (!m_typedRange)
        return;
    m_typedRange.reset();
    emit stateChanged();
}

void Session::setOnlyBeforeVerification(bool on)
{
    m_onlyBeforeVerification = on;
    emit stateChanged();
}

void Session::reloadHistory()
{
    waitForWrites();
    if (m_rowsOnDemand)
        m_history.reset();
    else
        m_history = m_store.snapshot();
    emit historyChanged();
}

} // namespace corvinel
