// Fuzz target: the answers of the input boxes that become numbers. The bytes
// are one answer (UTF-8), given to every reader of such answers: the issue
// number helpers, the delete answers, the range boxes and the session's
// handlers (retention days, look-back count, combination size, manual
// pattern boxes, update address).

#include "store/BackupRebuild.h"
#include "FuzzSupport.h"
#include "core/IssueNumber.h"
#include "analysis/SearchRules.h"
#include "SessionSupport.h"
#include "session/SettingRules.h"

#include <QDate>
#include <QRegularExpression>

#include <cstring>
#include <limits>

using namespace corvinel;

namespace {

constexpr int kCodes[] = { issue::kGuangdong, issue::kHunan, issue::kCode566, issue::kTianjin };

// A well-formed display-form issue of a game: "20", YYMMDD of a real day
// (2010..2099), the day's sequence 1..drawsPerDay with the game's width.
struct DisplayIssue
{
    QDate day;
    int sequence = 0;
    std::int64_t stored = 0;
};

std::optional<DisplayIssue> displayIssue(const QString& text, int code)
{
    const int width = issue::sequenceDigits(code);
    static const QRegularExpression re2(QStringLiteral("^20([0-9]{2})([0-9]{2})([0-9]{2})([0-9]{2})$"));
    static const QRegularExpression re3(QStringLiteral("^20([0-9]{2})([0-9]{2})([0-9]{2})([0-9]{3})$"));
    const QRegularExpressionMatch m = (width == 3 ? re3 : re2).match(text);
    if (!m.hasMatch())
        return std::nullopt;
    const QDate day(2000 + m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    const int seq = m.captured(4).toInt();
    if (!day.isValid() || day.year() < 2010 || seq < 1 || seq > issue::drawsPerDay(code))
        return std::nullopt;
    return DisplayIssue { day, seq, text.mid(2).toLongLong() };
}

// Away from the ends of the years the stored form can hold (2010 is the
// first without a leading zero, 2099 the last before the century turns).
bool interior(const DisplayIssue& d)
{
    return d.day.year() > 2010 && d.day.year() < 2099;
}

QString displayOf(const QDate& day, int sequence, int code)
{
    return day.toString(QStringLiteral("yyyyMMdd"))
        + QStringLiteral("%1").arg(sequence, issue::sequenceDigits(code), 10, QLatin1Char('0'));
}

std::optional<QString> stored(Session& s, const char* key)
{
    return s.settings().rawText(QString::fromLatin1(key));
}

// The state the handlers may change, to tell a refusal changed nothing.
struct Observed
{
    int lookBack, zhWSetup, retentionDays;
    QString updateBase;
    std::array<int, 9> pattern;
    PatternPage typedPage;
    std::array<QString, 2> range;
    std::optional<QString> intPreQi, intZhWSetup, iniSerchDay, updateBaseStored;

    static Observed of(Session& s)
    {
        return { s.choices().lookBack,
                 s.choices().combinationSize,
                 s.choices().retentionDays,
                 s.choices().updateBase,
                 s.patterns().pattern,
                 s.patterns().page(Session::TabManual),
                 std::array<QString, 2> { s.rangeStart(), s.rangeEnd() },
                 stored(s, Settings::intPreQi.name),
                 stored(s, Settings::intZhWSetup.name),
                 stored(s, Settings::IniSerchDay.name),
                 stored(s, Settings::UpdateBase.name) };
    }
    bool operator==(const Observed&) const = default;
};

Session& session()
{
    static Session* s = [] {
        auto* created = new Session(
            std::make_unique<Settings>(fuzz::scratchDir().filePath(QStringLiteral("answers.ini"))),
            fuzz::dataFolder());
        created->startUp();
        FUZZ_CHECK(created->store().isOpen());
        FUZZ_CHECK(created->snapshot().rows().size() == 20);
        return created;
    }();
    return *s;
}

void resetSession(Session& s, size_t size)
{
    s.setPreviousIssue((size & 1) != 0);
    s.setLookBackText(QStringLiteral("2"));
    s.setCombinationSizeText(QStringLiteral("2"));
    s.mnuSetDayAnswer(QStringLiteral("6"));
    s.setUpdateBase(QString());
    for (int k = 1; k <= 8; ++k)
        s.setPatternValue(Session::TabManual, k, 3);
    s.selectTab(Session::TabHistory);
}

void checkIssueHelpers(const QString& text, const QByteArray& bytes, int code)
{
    const int perDay = issue::drawsPerDay(code);

    const std::optional<std::int64_t> whole = issue::wholeNumber(text);
    if (whole) {
        static const QRegularExpression form(QStringLiteral("^[+-]?[0-9]+$"));
        FUZZ_CHECK(form.match(text.trimmed()).hasMatch());
        FUZZ_CHECK(issue::wholeNumber(QString::number(*whole)) == whole);
    }
    const std::int64_t leading = issue::leadingValue(text);
    if (leading < 0)
        FUZZ_CHECK(text.contains(QLatin1Char('-')));
    if (whole && text == text.trimmed() && text.size() < 18)
        FUZZ_CHECK(leading == *whole);

    if (const auto nine = issue::lastNineAsNumber(text))
        FUZZ_CHECK(*nine > -100000000 && *nine < 1000000000);

    // Any stored number, from the text or from the raw bytes: no overflow,
    // and the next issue of a well-formed one is well-formed.
    std::vector<std::int64_t> lasts;
    if (whole)
        lasts.push_back(*whole);
    if (bytes.size() >= 8) {
        std::int64_t raw = 0;
        std::memcpy(&raw, bytes.constData(), sizeof raw);
        lasts.push_back(raw);
    }
    for (const std::int64_t last : lasts) {
        const std::optional<QString> next = issue::nextIssue(last, code, perDay);
        const auto lastIssue = displayIssue(issue::displayForm(last), code);
        if (!lastIssue || !interior(*lastIssue))
            continue;
        FUZZ_CHECK(next);
        const auto nextIssue = displayIssue(*next, code);
        FUZZ_CHECK(nextIssue);
        if (lastIssue->sequence < perDay) {
            FUZZ_CHECK(nextIssue->day == lastIssue->day && nextIssue->sequence == lastIssue->sequence + 1);
        } else {
            FUZZ_CHECK(nextIssue->day == lastIssue->day.addDays(1) && nextIssue->sequence == 1);
        }
        FUZZ_CHECK(issue::verificationPredecessor(*next, code, perDay) == last);
    }

    // The verification box: the draw before a well-formed issue.
    const std::optional<std::int64_t> before = issue::verificationPredecessor(text, code, perDay);
    if (const auto shown = displayIssue(text, code); shown && interior(*shown)) {
        FUZZ_CHECK(before);
        const QString expected = shown->sequence > 1 ? displayOf(shown->day, shown->sequence - 1, code)
                                                     : displayOf(shown->day.addDays(-1), perDay, code);
        FUZZ_CHECK(issue::displayForm(*before) == expected);
        FUZZ_CHECK(issue::nextIssue(*before, code, perDay) == text);
        FUZZ_CHECK(issue::lastNineAsNumber(text) == shown->stored);
    }
}

void checkDeleteAnswers(const QString& text, int code)
{
    const std::optional<int> count = deleteCountAnswer(text);
    const std::optional<std::int64_t> whole = issue::wholeNumber(text);
    if (whole && *whole >= -1000000000 && *whole <= 1000000000)
        FUZZ_CHECK(count && *count == *whole);
    else
        FUZZ_CHECK(!count);

    const std::optional<std::int64_t> upTo = deleteAfterAnswer(text, code);
    if (upTo) {
        const int width = issue::sequenceDigits(code);
        FUZZ_CHECK(*upTo >= 0 && *upTo < (width == 3 ? 1000000000LL : 100000000LL));
        const QString t = text.trimmed();
        if (t.at(2) != QLatin1Char('0'))
            FUZZ_CHECK(issue::displayForm(*upTo) == t);
    }
    if (displayIssue(text, code))
        FUZZ_CHECK(upTo);
}

void checkRangeBoxes(const QString& text, const Session& s)
{
    for (const bool asStart : { true, false }) {
        SearchOptions o;
        o.rangeFrom = asStart ? text : s.rangeStart();
        o.rangeTo = asStart ? s.rangeEnd() : text;
        QString message;
        const auto bounds = rules::parseRange(o, &message);
        if (bounds) {
            FUZZ_CHECK(bounds->low > -100000000 && bounds->low < 1000000000);
            FUZZ_CHECK(bounds->high > -100000000 && bounds->high < 1000000000);
        } else {
            FUZZ_CHECK(!message.isEmpty());
            FUZZ_CHECK(!issue::lastNineAsNumber(text));
        }
    }
}

void checkSessionHandlers(const QString& text, size_t size)
{
    Session& s = session();

    // Retention days.
    resetSession(s, size);
    Observed before = Observed::of(s);
    const Session::SetDayOutcome day = s.mnuSetDayAnswer(text);
    if (text.isEmpty()) {
        FUZZ_CHECK(day == Session::SetDayOutcome::Unchanged);
    } else {
        const SettingCheck rule = checkSetting(QStringLiteral("IniSerchDay"), text);
        FUZZ_CHECK((day == Session::SetDayOutcome::Accepted) == rule.ok);
    }
    if (day == Session::SetDayOutcome::Accepted) {
        FUZZ_CHECK(s.choices().retentionDays >= 2 && s.choices().retentionDays <= 16);
        FUZZ_CHECK(stored(s, Settings::IniSerchDay.name) == QString::number(s.choices().retentionDays));
    } else {
        FUZZ_CHECK(Observed::of(s) == before);
    }
    FUZZ_CHECK(s.mnuSetDayAnswer(std::nullopt) == Session::SetDayOutcome::Unchanged);

    // Look-back count (the masked box shows "_" for an empty place).
    resetSession(s, size);
    before = Observed::of(s);
    const std::optional<Refusal> lookBack = s.setLookBackText(text);
    QString digits = text;
    digits.remove(u'_');
    FUZZ_CHECK(!lookBack == checkSetting(QStringLiteral("intPreQi"), digits).ok);
    if (!lookBack) {
        FUZZ_CHECK(s.choices().lookBack >= 1 && s.choices().lookBack <= 9);
        FUZZ_CHECK(stored(s, Settings::intPreQi.name) == QString::number(s.choices().lookBack));
    } else {
        FUZZ_CHECK(!lookBack->text.isEmpty());
        FUZZ_CHECK(Observed::of(s) == before);
    }

    // Combination size.
    resetSession(s, size);
    before = Observed::of(s);
    s.setCombinationSizeText(text);
    const SettingCheck combo = checkSetting(QStringLiteral("intZhWSetup"), text);
    if (combo.ok) {
        FUZZ_CHECK(QString::number(s.choices().combinationSize) == combo.text);
        FUZZ_CHECK(stored(s, Settings::intZhWSetup.name) == combo.text);
    } else {
        FUZZ_CHECK(Observed::of(s) == before);
    }

    // A typed pattern box: a whole number becomes the position's value on
    // the page and in the pattern; any other text changes neither.
    resetSession(s, size);
    const int position = static_cast<int>(size % 8) + 1;
    before = Observed::of(s);
    s.setManualPatternText(position, text);
    const std::optional<std::int64_t> whole = issue::wholeNumber(text);
    FUZZ_CHECK(s.patterns().page(Session::TabManual).values[static_cast<std::size_t>(position - 1)]
               == (whole ? std::optional<int>(s.patterns().pattern[position]) : before.typedPage.values[static_cast<std::size_t>(position - 1)]));
    for (int k = 1; k <= 8; ++k) {
        if (k != position || !whole)
            FUZZ_CHECK(s.patterns().pattern[k] == before.pattern[k]);
    }
    if (whole && *whole >= std::numeric_limits<int>::min() && *whole <= std::numeric_limits<int>::max())
        FUZZ_CHECK(s.patterns().pattern[position] == *whole);
    s.selectTab(Session::TabManual);
    FUZZ_CHECK(s.patterns().manualMode);
    s.selectTab(Session::TabHistory);

    // Update address (not a number, but an answer of the same kind).
    resetSession(s, size);
    before = Observed::of(s);
    const std::optional<Refusal> address = s.setUpdateBase(text);
    const SettingCheck rule = checkSetting(QString::fromLatin1(Settings::UpdateBase.name), text);
    FUZZ_CHECK(!address == rule.ok);
    if (!address) {
        FUZZ_CHECK(s.choices().updateBase == rule.text);
        FUZZ_CHECK(stored(s, Settings::UpdateBase.name) == rule.text);
    } else {
        FUZZ_CHECK(Observed::of(s) == before);
    }

    checkRangeBoxes(text, s);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = fuzz::bytesOf(data, size);
    const QString text = QString::fromUtf8(bytes);
    const int code = kCodes[size % 4];
    checkIssueHelpers(text, bytes, code);
    checkDeleteAnswers(text, code);
    checkSessionHandlers(text, size);
    return 0;
}
