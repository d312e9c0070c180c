#include "store/HistoryStore.h"
#include "acquire/ManualEntry.h"
#include "store/Schema.h"
#include "core/ZodiacTables.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <map>

using namespace corvinel;
using namespace corvinel::manual_entry;

namespace {

BoxTexts boxes(std::initializer_list<const char*> texts)
{
    BoxTexts b;
    int i = 0;
    for (const char* t : texts)
        b[i++] = QString::fromUtf8(t);
    return b;
}

std::map<std::string, std::string> readRow(HistoryStore& store, std::int64_t sqqh)
{
    std::map<std::string, std::string> row;
    Statement st = store.db().prepare("SELECT * FROM lishi WHERE SQQH = ?1");
    st.bind(1, sqqh);
    if (st.step() != SQLITE_ROW)
        return row;
    for (int i = 0; i < st.columnCount(); ++i)
        row[st.columnName(i).toStdString()] = std::string(st.columnUtf8(i));
    return row;
}

struct Fixture
{
    QTemporaryDir dir;
    HistoryStore store;
    ZodiacTables tables;
    DrawEncoder encoder { tables };

    Fixture() { EXPECT_TRUE(store.open(dir.path())); }
    StoreOutcome enter(const QString& text1, const BoxTexts& b)
    {
        return manual_entry::enter(store, encoder, tables, store.snapshot(), EncoderBases {}, text1, b);
    }
};

} // namespace

TEST(ManualEntryBoxes, PlacesValuesAndCompleteness)
{
    EXPECT_EQ(boxValue("05"), 5);
    EXPECT_EQ(boxValue("5_"), 5);
    EXPECT_EQ(boxValue("__"), 0);
    EXPECT_EQ(boxValue("_5"), 0);
    EXPECT_EQ(boxValue(""), 0);
    EXPECT_EQ(boxValue("20"), 20);
    EXPECT_TRUE(isComplete("05"));
    EXPECT_FALSE(isComplete("5_"));
    EXPECT_FALSE(isComplete("_5"));
    EXPECT_FALSE(isComplete("5"));
    EXPECT_FALSE(isComplete("5 "));
    EXPECT_TRUE(placeHasDigit("_5", 1));
    EXPECT_FALSE(placeHasDigit("_5", 0));
}

TEST(ManualEntryBoxes, RefusalsNameTheBoxAndTheReason)
{
    const struct
    {
        BoxTexts texts;
        int box;
        const char* mentions;
    } cases[] = {
        { boxes({ "05", "13", "5_", "01", "09", "14", "18", "11" }), 3, "两位" },
        { boxes({ "05", "13", "20", "01", "__", "14", "18", "11" }), 5, "没有输入" },
        { boxes({ "05", "13", "20", "01", "_9", "14", "18", "11" }), 5, "两位" },
        { boxes({ "00", "13", "20", "01", "09", "14", "18", "11" }), 1, "01 到 20" },
        { boxes({ "05", "13", "20", "01", "09", "14", "18", "21" }), 8, "21" },
        { boxes({ "05", "13", "20", "01", "09", "13", "18", "11" }), 6, "第 2 个" },
        { boxes({ "05", "13", "20", "01", "09", "14", "18", "05" }), 8, "重复" },
    };
    for (const auto& c : cases) {
        const Check check = checkBoxes(c.texts);
        EXPECT_FALSE(check.ok);
        EXPECT_EQ(check.box, c.box) << c.mentions;
        EXPECT_TRUE(check.message.contains(QStringLiteral("第 %1 个号码框").arg(c.box))) << check.message.toStdString();
        EXPECT_TRUE(check.message.contains(QString::fromUtf8(c.mentions))) << check.message.toStdString();
    }
    const Check good = checkBoxes(boxes({ "05", "13", "20", "01", "09", "14", "18", "11" }));
    EXPECT_TRUE(good.ok);
    EXPECT_EQ(good.box, 0);
    EXPECT_EQ(good.numbers, (Numbers { 5, 13, 20, 1, 9, 14, 18, 11 }));
}

TEST(ManualEntryIssue, StoredFormIsText1WithoutTwenty)
{
    EXPECT_EQ(storedIssue("20161212001"), 161212001);
    EXPECT_EQ(storedIssue("2016091001"), 16091001);
    EXPECT_EQ(storedIssue(" 2016091001 "), 16091001);
    EXPECT_EQ(storedIssue("2016090852"), 16090852);
    // The start-up text of an empty history, too short or not a date.
    EXPECT_EQ(storedIssue("2007001"), std::nullopt);
    EXPECT_EQ(storedIssue("20161332001"), std::nullopt);
    EXPECT_EQ(storedIssue("20160230001"), std::nullopt);
    EXPECT_EQ(storedIssue("20161212000"), std::nullopt);
    EXPECT_EQ(storedIssue("201612120001"), std::nullopt);
    EXPECT_EQ(storedIssue("20"), std::nullopt);
    EXPECT_EQ(storedIssue("1916091001"), std::nullopt);
    EXPECT_EQ(storedIssue("2016 091001"), std::nullopt);
    EXPECT_EQ(storedIssue("20-5"), std::nullopt);
    EXPECT_EQ(storedIssue("20000"), std::nullopt);
    EXPECT_EQ(storedIssue(""), std::nullopt);
}

TEST(ManualEntryStore, StoresTheDrawWithListsFromTheLatestRow)
{
    Fixture f;
    StoreOutcome o = f.enter("20160908052", boxes({ "05", "13", "20", "01", "09", "14", "18", "11" }));
    ASSERT_TRUE(o.ok) << o.error.toStdString();
    EXPECT_EQ(o.sqqh, 160908052);
    o = f.enter("20160908053", boxes({ "02", "04", "06", "08", "10", "12", "16", "19" }));
    ASSERT_TRUE(o.ok) << o.error.toStdString();
    EXPECT_EQ(f.store.rowCount(), 2);

    const auto first = readRow(f.store, 160908052);
    ASSERT_FALSE(first.empty());
    EXPECT_EQ(first.at("QQH"), "160908053");
    EXPECT_EQ(first.at("L1A"), "5");
    EXPECT_EQ(first.at("L2B"), "9");
    EXPECT_EQ(first.at("txtHisLst"), "");

    const auto second = readRow(f.store, 160908053);
    ASSERT_FALSE(second.empty());
    EXPECT_EQ(second.at("L8A"), "19");
    EXPECT_EQ(second.at("txtHisLst"), "05 13 20 01 09 14 18 11 ");
    EXPECT_EQ(second.at("txtHisLstTou"), "1X0 1X1 1X2 2X0 3X0 2X1 3X1 4X1 ");
    EXPECT_EQ(second.at("L1AS"), "5");
    EXPECT_EQ(second.at("txtHisPreLst"), "");
}

TEST(ManualEntryStore, RefusedEntriesStoreNothingAndLeaveNoTrace)
{
    Fixture f;
    ASSERT_TRUE(f.enter("20160908052", boxes({ "05", "13", "20", "01", "09", "14", "18", "11" })).ok);

    const BoxTexts good = boxes({ "02", "04", "06", "08", "10", "12", "16", "19" });
    const StoreOutcome refusals[] = {
        f.enter("20160908053", boxes({ "02", "04", "06", "08", "10", "12", "1_", "19" })),
        f.enter("20160908053", boxes({ "02", "04", "06", "08", "10", "12", "16", "02" })),
        f.enter("20160908053", boxes({ "02", "04", "06", "08", "10", "12", "16", "99" })),
        f.enter("2016x", good),
        // The same issue number again: refused before anything is encoded.
        f.enter("20160908052", good),
    };
    for (const StoreOutcome& o : refusals) {
        EXPECT_FALSE(o.ok);
        EXPECT_FALSE(o.error.isEmpty());
    }
    EXPECT_TRUE(refusals[4].error.contains(QStringLiteral("20160908052")));
    EXPECT_EQ(f.store.rowCount(), 1);

    // The next accepted draw follows the stored one as if nothing had been tried.
    ASSERT_TRUE(f.enter("20160908053", good).ok);
    const auto row = readRow(f.store, 160908053);
    EXPECT_EQ(row.at("L1AS"), "5");
    EXPECT_EQ(row.at("L8AS"), "11");
    EXPECT_EQ(row.at("L1AP"), "0");
    EXPECT_EQ(row.at("txtHisLst"), "05 13 20 01 09 14 18 11 ");
}

TEST(ManualEntryStore, FailedWriteRollsBackTheEncoder)
{
    Fixture f;
    ASSERT_TRUE(f.enter("20160908052", boxes({ "05", "13", "20", "01", "09", "14", "18", "11" })).ok);
    const DrawEncoder::State before = f.encoder.saveState();
    // A trigger that refuses the next insert stands for a full disk.
    ASSERT_TRUE(f.store.db().exec("CREATE TRIGGER refuse BEFORE INSERT ON lishi BEGIN "
                                  "SELECT RAISE(ABORT, 'disk full'); END"));
    const StoreOutcome o = f.enter("20160908053", boxes({ "02", "04", "06", "08", "10", "12", "16", "19" }));
    EXPECT_FALSE(o.ok);
    EXPECT_TRUE(o.error.contains(QStringLiteral("disk full"))) << o.error.toStdString();
    EXPECT_EQ(f.store.rowCount(), 1);
    EXPECT_EQ(f.encoder.saveState().previous, before.previous);
    EXPECT_EQ(f.encoder.saveState().earlier, before.earlier);
}
