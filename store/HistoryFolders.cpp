#include "store/HistoryFolders.h"

#include "core/DataFolder.h"
#include "core/IssueNumber.h"
#include "store/HistoryMaintenance.h"
#include "store/HistoryStore.h"
#include "store/SqliteDb.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <array>
#include <cstdio>

namespace corvinel::history_folders {

namespace {

constexpr std::array<int, 4> kGames = { issue::kGuangdong, issue::kTianjin, issue::kHunan, issue::kCode566 };

bool renameAtomically(const QString& from, const QString& to)
{
    // rename(2), never a copy: the file is either still here or wholly there.
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

// The root's files that belong to its history, besides the database.
bool isCompanion(const QString& name)
{
    static const QStringList exact = {
        QString::fromLatin1(HistoryStore::kCompactFileName),
        QString::fromLatin1(HistoryMaintenance::kBackupFileName),
        QStringLiteral("lishi.xlsx"),
        QStringLiteral("Jiansuo.xlsx"),
        QStringLiteral("Jieguo.xlsx"),
        QStringLiteral("Jianyan.xlsx"),
        QStringLiteral("Huice.xlsx"),
        QStringLiteral("Zoushi.xlsx"),
    };
    if (exact.contains(name))
        return true;
    return (name.startsWith(QStringLiteral("更新至")) && name.endsWith(QStringLiteral("期历史号码.txt")))
        || (name.startsWith(QStringLiteral("已删除历史号码_")) && name.endsWith(QStringLiteral(".txt")));
}

// Moves what `from` holds into `to` (created), file by file, keeping every
// file whose name is taken there; removes `from` when it ends up empty.
// Returns the number of files kept back.
int mergeFolder(const QString& from, const QString& to)
{
    QDir src(from);
    QDir().mkpath(to);
    int kept = 0;
    for (const QFileInfo& f : src.entryInfoList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot)) {
        const QString target = QDir(to).filePath(f.fileName());
        if (QFileInfo::exists(target) || !renameAtomically(f.absoluteFilePath(), target))
            ++kept;
    }
    for (const QFileInfo& d : src.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot))
        kept += mergeFolder(d.absoluteFilePath(), QDir(to).filePath(d.fileName()));
    QDir().rmdir(from); // only when it ended up empty
    return kept;
}

} // namespace

std::optional<int> recordedGame(HistoryStore& store)
{
    if (!store.isOpen())
        return std::nullopt;
    Statement st = store.db().prepare("SELECT lottery_code FROM history_game LIMIT 1");
    if (!st.isValid() || st.step() != Statement::kRow)
        return std::nullopt;
    return st.columnInt(0);
}

bool recordGame(HistoryStore& store, int lotteryCode)
{
    if (!store.isOpen())
        return false;
    if (recordedGame(store))
        return true;
    SqliteDb& db = store.db();
    Transaction t(db);
    if (!t.isActive() || !db.exec("CREATE TABLE IF NOT EXISTS history_game (lottery_code INTEGER NOT NULL)"))
        return false;
    Statement ins = db.prepare("INSERT INTO history_game (lottery_code) SELECT ?1 WHERE NOT EXISTS "
                               "(SELECT 1 FROM history_game)");
    return ins.isValid() && ins.bind(1, lotteryCode) && ins.exec() && t.commit();
}

int gameOfDatabase(const QString& path, int selectedCode)
{
    SqliteDb db;
    // Read-write: opening rolls back the journal a killed write left, so the
    // file that moves is a whole database.
    if (!db.open(path, false, false))
        return selectedCode;
    {
        Statement st = db.prepare("SELECT lottery_code FROM history_game LIMIT 1");
        if (st.isValid() && st.step() == Statement::kRow)
            return st.columnInt(0);
    }
    Statement last = db.prepare("SELECT MAX(SQQH) FROM lishi");
    if (!last.isValid() || last.step() != Statement::kRow || last.columnInt64(0) <= 0)
        return selectedCode;
    const int digits = static_cast<int>(QString::number(last.columnInt64(0)).size());
    if (digits == issue::storedDigits(selectedCode))
        return selectedCode;
    return digits == issue::storedDigits(issue::kGuangdong) ? issue::kGuangdong : issue::kTianjin;
}

Adoption adoptRootHistory(const QString& dataFolder, int selectedCode)
{
    Adoption a;
    const QDir root(dataFolder);
    const QString database = root.filePath(QString::fromLatin1(HistoryStore::kFileName));
    if (!QFileInfo::exists(database))
        return a;
    a.found = true;
    a.lotteryCode = gameOfDatabase(database, selectedCode);
    a.folder = gameHistoryFolder(dataFolder, a.lotteryCode);
    const QString name = issue::gameName(a.lotteryCode);
    if (a.folder.isEmpty()) {
        a.note = QStringLiteral("数据文件夹中的历史数据库没有移入“%1”：不能建立该文件夹。").arg(name);
        return a;
    }
    const QDir target(a.folder);
    const QString targetDatabase = target.filePath(QString::fromLatin1(HistoryStore::kFileName));
    if (QFileInfo::exists(targetDatabase)) {
        a.note = QStringLiteral("数据文件夹中的%1没有移入%2：那里已有%3的历史数据库，两者都保持原样。")
                     .arg(QDir::toNativeSeparators(database), QDir::toNativeSeparators(a.folder), name);
        return a;
    }
    for (const QFileInfo& f : root.entryInfoList(QDir::Files | QDir::NoDotAndDotDot)) {
        if (!isCompanion(f.fileName()))
            continue;
        const QString to = target.filePath(f.fileName());
        if (!QFileInfo::exists(to))
            renameAtomically(f.absoluteFilePath(), to);
    }
    const QString imports = root.filePath(QStringLiteral("历史号码"));
    if (QFileInfo(imports).isDir())
        mergeFolder(imports, target.filePath(QStringLiteral("历史号码")));
    // A journal left beside the database was rolled back when its game was
    // read; the database goes last, so that until it has gone the next start
    // adopts again.
    if (!renameAtomically(database, targetDatabase)) {
        a.note = QStringLiteral("数据文件夹中的%1没有移入%2，下次启动时再试。")
                     .arg(QDir::toNativeSeparators(database), QDir::toNativeSeparators(a.folder));
        return a;
    }
    a.adopted = true;
    a.note = QStringLiteral("原有的历史数据库已作为%1的历史移到%2")
                 .arg(name, QDir::toNativeSeparators(targetDatabase));
    return a;
}

std::vector<GameHistory> listHistories(const QString& dataFolder)
{
    std::vector<GameHistory> out;
    for (int code : kGames) {
        const QString folder = gameHistoryPath(dataFolder, code);
        const QString path = QDir(folder).filePath(QString::fromLatin1(HistoryStore::kFileName));
        if (!QFileInfo::exists(path))
            continue;
        GameHistory h;
        h.lotteryCode = code;
        h.folder = folder;
        SqliteDb db;
        if (db.open(path, true, false)) {
            Statement st = db.prepare("SELECT COUNT(*) FROM lishi");
            if (st.isValid() && st.step() == Statement::kRow)
                h.draws = st.columnInt64(0);
        }
        out.push_back(h);
    }
    return out;
}

QString historiesLine(const std::vector<GameHistory>& histories)
{
    if (histories.empty())
        return QStringLiteral("none");
    QStringList parts;
    for (const GameHistory& h : histories)
        parts << QStringLiteral("%1 %2 %3 draws").arg(h.lotteryCode).arg(issue::gameName(h.lotteryCode)).arg(h.draws);
    return parts.join(QStringLiteral(", "));
}

} // namespace corvinel::history_folders
