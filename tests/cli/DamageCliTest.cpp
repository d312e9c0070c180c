// A damaged database is an error on the command line: `history`, `export
// text`, `delete-last` and `compact` exit 1 with the file's name and the
// advice, and none of them leaves a file from a partial read.
#include "support/CliRunner.h"
#include "support/HistoryTestSupport.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace corvinel;
using namespace corvinel::testing;

TEST(DamageCli, EveryReaderRefusesAndWritesNothing)
{
    QTemporaryDir dir;
    const QString data = dir.filePath("data");
    const auto cli = [&](const QStringList& args) { return runCli(dir.filePath("config"), data, args); };
    ASSERT_TRUE(writeFile(dir.filePath("in.txt"), drawFile(makeDraws(2520))));
    ASSERT_EQ(cli({ "import", dir.filePath("in.txt") }).code, 0);
    ASSERT_TRUE(writeFile(data + "/湖南快乐十分/lsbf.txt", "before\n"));
    {
        QFile f(data + "/湖南快乐十分/Tavrose.db");
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        const qint64 pageSize = 16384;
        const qint64 pages = f.size() / pageSize;
        for (qint64 i = 0; i < 10; ++i) {
            ASSERT_TRUE(f.seek((pages / 4 + i * (pages / 2) / 10) * pageSize));
            f.write(QByteArray(static_cast<int>(pageSize), '\x5a'));
        }
    }
    const QStringList before = QDir(data + "/湖南快乐十分").entryList(QDir::Files);
    for (const QStringList& args : { QStringList { "history" }, QStringList { "export", "text" },
                                     QStringList { "delete-last", "2" }, QStringList { "compact" } }) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const CliRun r = cli(args);
        EXPECT_EQ(r.code, 1) << r.out.toStdString();
        EXPECT_TRUE(r.err.contains("Tavrose.db")) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains("lsbf.txt")) << r.err.toStdString();
        EXPECT_EQ(QDir(data + "/湖南快乐十分").entryList(QDir::Files), before);
        EXPECT_EQ(readFile(data + "/湖南快乐十分/lsbf.txt"), QByteArray("before\n"));
    }
}
