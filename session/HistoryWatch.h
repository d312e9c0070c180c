#pragma once

#include <QString>

#include <cstdint>
#include <optional>

namespace corvinel {

class Session;

// The session follows the history file when another program changes it (a
// scheduled `corvinel-cli update`, an import in a terminal, the sqlite3
// shell): asked when the window regains focus and before each action, it
// notices a commit of another connection (SQLite's data_version) or a file
// put in place of the open one (another inode under the same name), reopens
// or re-reads, and says so. A change that leaves the draws as they were (the
// search marks written by the session's own background connection) is no
// news.
class HistoryWatch
{
public:
    explicit HistoryWatch(Session& session);

    // "历史号码已被其他程序更改，已重新读入" when the history was re-read
    // because it changed, empty otherwise.
    QString followFile();

    static QString changedText();

private:
    Session& m_session;
    std::optional<std::int64_t> m_version;
};

} // namespace corvinel
