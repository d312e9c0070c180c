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

constexpr std::array<int, 3> kMenuGames = { issue::kGuangdong, issue::kTianjin, issue::kHunan };

bool validKind(int kind)
{
    return kind >= 0 && kind < kKindCount;
}

} // namespace

Session::Session(std::unique_ptr<Settings> settings, QString dataFolder, QObject* parent)
    : QObject(parent)
    , m_settings(settings ? std::move(settings) : std::make_unique<Settings>())
    , m_dataFolder(std::move(dataFolder))
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

    readInto(Settings::bolZyw, bolZyw);
    readInto(Settings::bolSq, bolSq);
    if (m_gameOverride)
        lotteryCode = *m_gameOverride;
    else
        readInto(Settings::GsZl, lotteryCode);
    drawsPerDay = issue::drawsPerDay(lotteryCode);

    readInto(Settings::intLei, searchKind);

    if (!m_dataFolder.isEmpty() && m_store.open(m_dataFolder) && !m_rowsOnDemand)
        m_history = m_store.snapshot();

    // Selecting the stored options runs their click handling, as a click by
    // the user would: each of them writes its keys again.
    option1Clicked(bolZyw ? 1 : 0);
    option1Clicked(bolSq ? 3 : 2);

    readInto(Settings::bolZuxuan, bolZuxuan);
    option2Clicked(bolZuxuan ? 5 : 4);

    readInto(Settings::intConsqSort, consqSort);
    if (consqSort >= 1 && consqSort <= kPositions)
        option5Clicked(consqSort);

    readInto(Settings::intXianshiLei, resultKind);
    if (validKind(resultKind)) {
        resultKindLetter = QString::fromLatin1(kindLetter(resultKind).data(), 1);
        option4Clicked(resultKind);
    }

    // The bases offset the stored zodiac and segment values, which the encoder
    // and the searches count in fixed-size tables: only the menus' 0 and 1
    // fit, so any other stored number is treated as unreadable.
    auto readBase = [this](const Settings::IntKey& key, int& var) {
        if (const auto v = m_settings->read(key); v && (*v == 0 || *v == 1))
            var = *v;
    };
    readBase(Settings::DsIni, dsIni);
    readBase(Settings::SxIni, sxIni);
    readInto(Settings::SxSetup, sxSetup);
    readInto(Settings::bolZhpm, bolZhpm);
    option6Clicked(bolZhpm ? 1 : 0);

    readInto(Settings::intPreQi, lookBack);
    maskEdBox2 = QString::number(lookBack);
    readInto(Settings::intZhWSetup, zhWSetup);
    combo1 = QString::number(zhWSetup);

    nextIssueDisplay();
    m_zodiac.setCurrentZodiacYear(ZodiacTables::zodiacYearOfText(text1, Clock::today().year()));

    if (validKind(searchKind))
        option3Clicked(searchKind);

    manualMode = selectedTab != TabHistory;
    patternRefresh();

    // Zodiac numbers always start in order; the by-age numbering takes effect
    // with the next choice of the zodiac base.
    m_zodiac.fillNumbersByOrder(sxIni);
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
        return !bolZyw;
    case 1:
        return bolZyw;
    case 2:
        return !bolSq;
    case 3:
        return bolSq;
    default:
        return false;
    }
}

bool Session::mnuKL10Checked(int i) const
{
    return i >= 0 && i < static_cast<int>(kMenuGames.size()) && kMenuGames[i] == lotteryCode;
}

void Session::option1Clicked(int i)
{
    if (i == 0 || i == 1)
        bolZyw = i == 1;
    else if (i == 2 || i == 3)
        bolSq = i == 3;
    else
        return;
    m_settings->write(Settings::bolZyw, bolZyw);
    m_settings->write(Settings::bolSq, bolSq);
    patternRefresh();
    if (selectedTab == TabVerify)
        verificationRefresh();
    emit stateChanged();
}

void Session::option2Clicked(int i)
{
    if (i != 4 && i != 5)
        return;
    bolZuxuan = i == 5;
    m_settings->write(Settings::bolZuxuan, bolZuxuan);
    m_settings->write(Settings::bolSq, bolSq);
    patternRefresh();
    emit stateChanged();
}

void Session::option3Clicked(int i)
{
    if (!validKind(i))
        return;
    searchKind = i;
    patternRefresh();
    m_settings->write(Settings::intLei, searchKind);
    emit stateChanged();
}

void Session::option4Clicked(int i)
{
    if (!validKind(i))
        return;
    resultKind = i;
    resultKindLetter = QString::fromLatin1(kindLetter(i).data(), 1);
    m_settings->write(Settings::intXianshiLei, resultKind);
    emit stateChanged();
}

void Session::option5Clicked(int i)
{
    if (i < 1 || i > kPositions)
        return;
    consqSort = i;
    m_settings->write(Settings::intConsqSort, consqSort);
    emit stateChanged();
}

void Session::option6Clicked(int i)
{
    if (i != 0 && i != 1)
        return;
    bolZhpm = i != 0;
    m_settings->write(Settings::bolZhpm, bolZhpm);
    emit stateChanged();
}

std::optional<Refusal> Session::maskEdBox2LostFocus(const QString& text)
{
    QString digits = text;
    digits.remove(u'_');
    const auto v = issue::wholeNumber(digits);
    // A count of 0 (or an empty box) would make the reference draw the
    // draw after the last one; the box takes one digit, so 1..9 remain.
    if (!v || *v < 1 || *v > 9) {
        maskEdBox2 = QString::number(lookBack);
        emit stateChanged();
        return Refusal { QStringLiteral("输入有误"), QStringLiteral("前几期的期数只能是1到9中的自然数，请重新输入。") };
    }
    lookBack = static_cast<int>(*v);
    maskEdBox2 = QString::number(lookBack);
    m_settings->write(Settings::intPreQi, lookBack);
    patternRefresh();
    emit stateChanged();
    return std::nullopt;
}

void Session::combo1LostFocus(const QString& text)
{
    const auto v = issue::wholeNumber(text);
    if (v && *v >= 1 && *v <= 6) {
        zhWSetup = static_cast<int>(*v);
        m_settings->write(Settings::intZhWSetup, zhWSetup);
    }
    combo1 = QString::number(zhWSetup);
    emit stateChanged();
}

bool Session::manualKeyAccepted(QChar c)
{
    return c.unicode() == 8 || c == u'-' || (c >= u'0' && c <= u'9');
}

void Session::manualBoxLostFocus(int element, const QString& text)
{
    if (element < 0 || element > 7)
        return;
    text22[element] = text;
    const int position = element == 0 ? 8 : element;
    if (const auto v = issue::wholeNumber(text))
        pattern[position] = patternValue(*v);
    emit stateChanged();
}

void Session::mnuDscsClicked(int i)
{
    if (i != 0 && i != 1)
        return;
    dsIni = i;
    m_settings->write(Settings::DsIni, dsIni);
    emit stateChanged();
}

void Session::mnuSxcsClicked(int i)
{
    if (i != 0 && i != 1)
        return;
    sxIni = i;
    m_settings->write(Settings::SxIni, sxIni);
    if (sxSetup)
        m_zodiac.fillNumbersByOrder(sxIni);
    else
        m_zodiac.fillNumbersByAge(m_zodiac.currentZodiacYear(), sxIni);
    emit stateChanged();
}

void Session::mnuSxsetupClicked(int i)
{
    if (i != 0 && i != 1)
        return;
    // The numbers follow this choice at the next choice of the zodiac base.
    sxSetup = i == 0;
    m_settings->write(Settings::SxSetup, sxSetup);
    emit stateChanged();
}

void Session::mnuKL10Clicked(int i)
{
    if (i < 0 || i >= static_cast<int>(kMenuGames.size()))
        return;
    // Text1 keeps its number until the history changes.
    lotteryCode = kMenuGames[i];
    drawsPerDay = issue::drawsPerDay(lotteryCode);
    m_settings->write(Settings::GsZl, lotteryCode);
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
        return ZodiacTables::nameOfValue(value, sxIni);
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
            text2[firstBox + k - 1] = shown;
    }
}

void Session::showReferenceDraw(const SnapshotRow& draw)
{
    if (!validKind(searchKind))
        return;
    for (int k = 1; k <= kPositions; ++k) {
        const QString shown = patternText(draw.value(k, searchKind));
        if (!shown.isEmpty())
            text2[k] = shown;
    }
}

void Session::patternFromBoxes(bool manualBoxes)
{
    for (int k = 1; k <= kPositions; ++k) {
        const QString& box = manualBoxes ? text22[manualElementOfPosition(k)] : text2[k];
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
    return issue::verificationPredecessor(text4, lotteryCode, drawsPerDay);
}

void Session::patternRefresh()
{
    const ReferenceDraw ref = findReferenceDraw(storedDraws(), std::nullopt, bolSq, lookBack);
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
        text1 = *next;
    text4 = text1;
}

void Session::verificationRefresh()
{
    const auto predecessor = verificationPredecessor();
    if (!predecessor)
        return;
    // A predecessor not stored (or too few draws before it) keeps the pattern.
    const ReferenceDraw ref = findReferenceDraw(storedDraws(), *predecessor, bolSq, lookBack);
    if (ref.row)
        patternFromDraw(*ref.row, 11);
}

std::optional<Refusal> Session::text4Edited(const QString& text)
{
    text4 = text.trimmed();
    if (auto r = rules::verificationRefusal(text4, lotteryCode, drawsPerDay, storedDraws(), bolSq, lookBack)) {
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
        if (auto r = rules::verificationRefusal(text4, lotteryCode, drawsPerDay, storedDraws(), bolSq, lookBack))
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
    return m_typedRange ? m_typedRange->first : automaticRangeStart(bolSq, lookBack);
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
        m_typedRange.emplace(automaticRangeStart(bolSq, lookBack), last ? issue::displayForm(*last) : QString());
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
