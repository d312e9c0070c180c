#include "store/Schema.h"

#include "core/Kinds.h"

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

} // namespace corvinel::schema
