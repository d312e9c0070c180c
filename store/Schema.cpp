#include "store/Schema.h"

#include "core/Kinds.h"

#include <functional>

namespace corvinel::schema {

std::string valueColumn(int position, int kind, Lag lag)
{
    std::string s = "L";
    s += static_cast<char>('0' + position);
    s += kKindLetters[kind];
    if (lag == Lag::Previous)
        s += 'S';
    else if (lag == Lag::Earlier)
        s += 'P';
    return s;
}

std::string listColumn(int listIndex, bool earlier)
{
    std::string s = earlier ? "txtHisPreLst" : "txtHisLst";
    if (listIndex > 0)
        s += kListSuffixes[listIndex - 1];
    return s;
}

const std::vector<std::string>& lishiColumns()
{
    static const std::vector<std::string> cols = [] {
        std::vector<std::string> c;
        c.emplace_back("SQQH");
        c.emplace_back("QQH");
        for (Lag lag : { Lag::Own, Lag::Previous, Lag::Earlier })
            for (int p = 1; p <= kPositions; ++p)
                for (int k = 0; k < kKindCount; ++k)
                    c.push_back(valueColumn(p, k, lag));
        for (bool earlier : { false, true })
            for (int i = 0; i < kListCount; ++i)
                c.push_back(listColumn(i, earlier));
        c.emplace_back("intTh");
        c.emplace_back("bolOk");
        c.emplace_back("txtHisP6");
        return c;
    }();
    return cols;
}

const char* createSql()
{
    static const std::string sql = [] {
        std::string s = "CREATE TABLE IF NOT EXISTS lishi (";
        bool first = true;
        for (const std::string& c : lishiColumns()) {
            if (!first)
                s += ", ";
            first = false;
            s += '"' + c + '"';
            // Every other column is a number; bolOk is a yes/no stored as 0 or 1.
            if (c.rfind("txt", 0) == 0)
                s += " TEXT NOT NULL DEFAULT ''";
            else
                s += " INTEGER NOT NULL DEFAULT 0";
        }
        s += ");\n";
        s += "CREATE UNIQUE INDEX IF NOT EXISTS lishi_SQQH ON lishi(SQQH);\n";
        s += "CREATE TABLE IF NOT EXISTS Carcu (Nmb INTEGER, \"Count\" INTEGER);\n";
        return s;
    }();
    return sql.c_str();
}

const std::vector<std::string>& drawCopyColumns()
{
    static const std::vector<std::string> cols = [] {
        std::vector<std::string> c;
        c.emplace_back("SQQH");
        c.emplace_back("QQH");
        for (int p = 1; p <= kPositions; ++p)
            for (int k = 0; k < kKindCount; ++k)
                c.push_back(valueColumn(p, k));
        for (int i = 0; i < kListCount; ++i)
            c.push_back(listColumn(i, false));
        return c;
    }();
    return cols;
}

bool isDrawCopyColumn(std::string_view name)
{
    for (const std::string& c : drawCopyColumns())
        if (c == name)
            return true;
    return false;
}

namespace {

std::string deleteTriggerSql()
{
    const std::string table = kDrawCopyTable;
    return "CREATE TRIGGER " + table + "_delete AFTER DELETE ON lishi BEGIN DELETE FROM " + table
        + " WHERE SQQH = OLD.SQQH; END;\n";
}

} // namespace

std::string clearHistorySql()
{
    const std::string table = kDrawCopyTable;
    return "DROP TRIGGER IF EXISTS " + table + "_delete;\nDELETE FROM lishi;\nDELETE FROM " + table + ";\n"
        + deleteTriggerSql();
}

namespace {

// The copy's column list and the expression of each copied value, as
// `valueOf(column name, place in drawCopyColumns())` writes it.
struct CopyInsert
{
    std::string names;
    std::string values;
};

CopyInsert copyInsert(const std::function<std::string(const std::string&, int)>& valueOf)
{
    CopyInsert out;
    const auto& cols = drawCopyColumns();
    for (int i = 0; i < static_cast<int>(cols.size()); ++i) {
        out.names += (i ? ", \"" : "\"") + cols[i] + '"';
        out.values += (i ? ", " : "") + valueOf(cols[i], i);
    }
    // char() of the 48 own values.
    std::string packed;
    for (int i = 0; i < static_cast<int>(cols.size()); ++i) {
        if (cols[i] == "SQQH" || cols[i] == "QQH" || cols[i].rfind("txt", 0) == 0)
            continue;
        packed += (packed.empty() ? "char(" : ", ") + valueOf(cols[i], i) + " + " + std::to_string(kPackedOffset);
    }
    out.names += std::string(", \"") + kPackedOwnColumn + '"';
    out.values += ", " + packed + ")";
    return out;
}

std::string insertTriggerSql()
{
    const std::string table = kDrawCopyTable;
    const CopyInsert c = copyInsert([](const std::string& name, int) { return "NEW.\"" + name + '"'; });
    return "CREATE TRIGGER " + table + "_insert AFTER INSERT ON lishi BEGIN INSERT OR REPLACE INTO " + table + " ("
        + c.names + ") VALUES (" + c.values + "); END;\n";
}

} // namespace

std::string drawCopySql()
{
    const std::string table = kDrawCopyTable;
    std::string tableColumns;
    for (const std::string& c : drawCopyColumns()) {
        tableColumns += tableColumns.empty() ? "" : ", ";
        // SQQH is the rowid: a plain scan of the copy yields SQQH order.
        if (c == "SQQH")
            tableColumns += "\"SQQH\" INTEGER PRIMARY KEY";
        else if (c.rfind("txt", 0) == 0)
            tableColumns += '"' + c + "\" TEXT NOT NULL DEFAULT ''";
        else
            tableColumns += '"' + c + "\" INTEGER NOT NULL DEFAULT 0";
    }
    tableColumns += std::string(", \"") + kPackedOwnColumn + "\" TEXT NOT NULL DEFAULT ''";
    const CopyInsert fromNew = copyInsert([](const std::string& name, int) { return "NEW.\"" + name + '"'; });
    const CopyInsert fromLishi = copyInsert([](const std::string& name, int) { return '"' + name + '"'; });
    std::string names;
    for (const std::string& c : drawCopyColumns())
        names += (names.empty() ? "\"" : ", \"") + c + '"';
    std::string s;
    for (const char* trigger : { "_insert", "_delete", "_update" })
        s += "DROP TRIGGER IF EXISTS " + table + trigger + ";\n";
    s += "DROP TABLE IF EXISTS " + table + ";\n";
    s += "CREATE TABLE " + table + " (" + tableColumns + ");\n";
    s += insertTriggerSql();
    s += deleteTriggerSql();
    // Only a change of a copied column fires it: the searches' marks and lag
    // columns do not.
    s += "CREATE TRIGGER " + table + "_update AFTER UPDATE OF " + names + " ON lishi BEGIN DELETE FROM " + table
        + " WHERE SQQH = OLD.SQQH; INSERT OR REPLACE INTO " + table + " (" + fromNew.names + ") VALUES ("
        + fromNew.values + "); END;\n";
    s += "INSERT OR REPLACE INTO " + table + " (" + fromLishi.names + ") SELECT " + fromLishi.values + " FROM lishi;\n";
    return s;
}

std::string setCopyInsertTriggerAsideSql()
{
    return "DROP TRIGGER IF EXISTS " + std::string(kDrawCopyTable) + "_insert;\n";
}

std::string restoreCopyInsertTriggerSql()
{
    return insertTriggerSql();
}

const std::string& drawCopyInsertSql()
{
    static const std::string sql = [] {
        const CopyInsert c = copyInsert([](const std::string&, int place) { return '?' + std::to_string(place + 1); });
        return "INSERT INTO " + std::string(kDrawCopyTable) + " (" + c.names + ") VALUES (" + c.values + ")";
    }();
    return sql;
}

} // namespace corvinel::schema
