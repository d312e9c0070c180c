#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace corvinel::schema {

// Lag of a per-position column: this draw, the previous draw (suffix "S") or
// the earlier draw (suffix "P").
enum class Lag
{
    Own,
    Previous,
    Earlier
};

// "L" + position + kind letter (+ "S" / "P"), e.g. L3B, L3BS, L5GP. Generated
// from fixed tables only, never from input.
std::string valueColumn(int position, int kind, Lag lag = Lag::Own);

// The seven list columns: index 0 is the number list (txtHisLst), 1..6 the
// occurrence lists of kinds 0..5 by their suffix (Hm, Sx, Tou, Wei, He, Ds).
inline constexpr int kListCount = 7;
std::string listColumn(int listIndex, bool earlier);
// List index of a kind's occurrence list (kind 0..5 -> 1..6).
inline constexpr int occurrenceList(int kind)
{
    return kind + 1;
}

// Every column of lishi in table order.
const std::vector<std::string>& lishiColumns();

// DDL of both tables (and the unique index on SQQH).
const char* createSql();

// The compact copy of the draws kept beside lishi in the same file: SQQH, QQH,
// the 48 own values and the seven txtHisLst lists of every draw, under the
// names they have in lishi, keyed and ordered by SQQH. That is all a search or
// the history grid reads of a draw; a scan of these narrow rows costs a
// fraction of one over the wide lishi rows. Triggers on lishi keep it in step
// inside the transaction of every insert, delete or change of those columns,
// whichever code (or tool) runs the statement.
inline constexpr const char* kDrawCopyTable = "lishi_draws";
// Beside the copied columns, the copy holds the 48 own values packed in one
// text (positions 1..8, kinds 0..5 within each), each value v as the
// character v + kPackedOffset: 48 ASCII characters when every value lies in
// -31..95 (a draw's values do), so a reader of all of them fetches one column
// instead of 48. A value outside that range shows as a different length or a
// character outside 1..127; readers then take the value columns.
inline constexpr const char* kPackedOwnColumn = "vals";
inline constexpr int kPackedOffset = 32;
const std::vector<std::string>& drawCopyColumns();
bool isDrawCopyColumn(std::string_view name);
// One row, one column `stamp`: the database file's change counter (the
// header's, which every committed write transaction advances by one) at which
// the copy last agreed with lishi in full. A counter that moved without the
// stamp (a write by another tool, a VACUUM) calls for the full comparison.
inline constexpr const char* kCopyCheckedTable = "lishi_draws_checked";
// Number of schema objects drawCopySql() creates (the table and its triggers).
inline constexpr int kDrawCopyObjects = 4;
// Drops and recreates the copy with its triggers, then fills it from lishi.
std::string drawCopySql();
// Writing a whole history: the copy's insert trigger makes every insert into
// lishi a statement that writes two tables, which SQLite guards with a
// statement journal of each page touched. A writer of many rows sets the
// trigger aside inside its transaction, inserts each copy row itself with
// drawCopyInsertSql() (parameters ?1.. in drawCopyColumns() order; the packed
// column is computed from them by the same expression as the trigger's) and
// restores the trigger before it commits.
std::string setCopyInsertTriggerAsideSql();
std::string restoreCopyInsertTriggerSql();
const std::string& drawCopyInsertSql();
// Deletes every row of lishi and of the copy inside the caller's transaction.
// The copy's delete trigger is set aside meanwhile: with it SQLite deletes
// row by row; without it, it drops the pages at once.
std::string clearHistorySql();

} // namespace corvinel::schema
