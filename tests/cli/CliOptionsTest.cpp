// The declared options of corvinel-cli: COMMAND --help lists them, help
// describes every command, and what a command does not declare is a usage
// error (exit 2) before any data is touched.

#include "support/CliRunner.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using corvinel::testing::CliRun;
using corvinel::testing::runCli;

namespace {

class CliOptionsTest : public ::testing::Test
{
protected:
    QTemporaryDir home;

    QString data() const { return home.filePath(QStringLiteral("data")); }
    CliRun cli(const QStringList& args) { return runCli(home.filePath(QStringLiteral("config")), data(), args); }
};

// Every option line of a command's help: "  --name ..." followed by a description.
bool listsOption(const QString& help, const QString& option)
{
    for (const QString& line : help.split(u'\n')) {
        const QString t = line.trimmed();
        if (line.startsWith(QLatin1String("  --")) && (t == option || t.startsWith(option + u' ')))
            return t.indexOf(QLatin1String("  ")) > 0 && t.mid(t.indexOf(QLatin1String("  "))).trimmed().size() > 3;
    }
    return false;
}

} // namespace

TEST_F(CliOptionsTest, CommandHelpListsTheDeclaredOptionsWithoutOpeningTheData)
{
    const CliRun search = cli({ "search", "--help" });
    ASSERT_EQ(search.code, 0) << search.err.toStdString();
    for (const char* option : { "--kind", "--positions", "--fixed", "--free", "--prev", "--back", "--pattern",
                                "--verify", "--only-before", "--result-kind", "--result-pos", "--group", "--direct",
                                "--from", "--to", "--format", "--export-workbook", "--help" })
        EXPECT_TRUE(listsOption(search.out, QString::fromLatin1(option))) << option << "\n" << search.out.toStdString();
    EXPECT_FALSE(listsOption(search.out, QStringLiteral("--size"))); // combo's only

    const CliRun combo = cli({ "combo", "--help" });
    ASSERT_EQ(combo.code, 0);
    EXPECT_TRUE(listsOption(combo.out, QStringLiteral("--size")));
    EXPECT_TRUE(listsOption(combo.out, QStringLiteral("--kind")));

    const CliRun update = cli({ "update", "--help" });
    EXPECT_TRUE(listsOption(update.out, QStringLiteral("--base")));
    EXPECT_TRUE(listsOption(update.out, QStringLiteral("--today")));
    EXPECT_TRUE(listsOption(cli({ "add", "--help" }).out, QStringLiteral("--issue")));
    EXPECT_TRUE(listsOption(cli({ "history", "--help" }).out, QStringLiteral("--format")));
    EXPECT_TRUE(listsOption(cli({ "clear", "--help" }).out, QStringLiteral("--yes")));

    // help COMMAND says the same as COMMAND --help.
    const CliRun helpSearch = runCli(home.filePath(QStringLiteral("config")), data(), { "help", "search" });
    EXPECT_EQ(helpSearch.out, search.out);

    // Asking for help changes nothing: not even the data folder is made.
    EXPECT_FALSE(QDir(data()).exists());
    // --help wins over a refused or unknown argument.
    EXPECT_EQ(cli({ "clear", "--help" }).code, 0);
    EXPECT_FALSE(QDir(data()).exists());
}

TEST_F(CliOptionsTest, HelpDescribesEveryCommandInWords)
{
    const CliRun help = cli({ "help" });
    ASSERT_EQ(help.code, 0);
    for (const char* command : { "info", "settings", "import", "history", "delete-last", "delete-after", "clear", "add",
                                 "export", "update", "search", "combo", "compact" }) {
        bool described = false;
        for (const QString& line : help.out.split(u'\n'))
            if (line.startsWith(QStringLiteral("  ") + QLatin1String(command) + u' '))
                described = line.mid(2 + static_cast<int>(qstrlen(command))).trimmed().size() > 10;
        EXPECT_TRUE(described) << command;
    }
    // Words for the user, not the window's control names.
    for (const char* control : { "Command1", "Command2", "Command3", "Command21", "cmdRdLst", "mnu" })
        EXPECT_FALSE(help.out.contains(QLatin1String(control))) << control;
    EXPECT_EQ(cli({ "--help" }).out, help.out);
}

TEST_F(CliOptionsTest, UndeclaredOptionsAndMissingValuesAreUsageErrors)
{
    struct Case
    {
        QStringList args;
        const char* says;
    };
    const Case cases[] = {
        { { "search", "--bogus" }, "unknown option --bogus" },
        { { "search", "--size", "2" }, "--size belongs to combo" },
        { { "search", "--kind" }, "--kind needs a value" },
        { { "search", "--free=1" }, "--free takes no value" },
        { { "combo", "--nonsense=3" }, "unknown option --nonsense=3" },
        { { "history", "--bogus" }, "history takes only --format text|tsv|json" },
        { { "history", "--format" }, "history takes only --format text|tsv|json" },
        { { "update", "--bogus" }, "unknown argument --bogus" },
        { { "update", "--base" }, "--base needs a URL" },
        { { "add", "--issue" }, "--issue needs the issue number" },
        { { "delete-last", "--all" }, "unknown option --all" },
        { { "clear", "--force" }, "unknown option --force" },
        { { "import", "--dry-run", "x.txt" }, "unknown option --dry-run" },
        { { "info", "--verbose" }, "unknown option --verbose" },
    };
    for (const Case& c : cases) {
        const CliRun r = cli(c.args);
        EXPECT_EQ(r.code, 2) << c.args.join(u' ').toStdString();
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.says))) << r.err.toStdString();
    }
    // A usage error is found before the data folder is opened.
    EXPECT_FALSE(QDir(data()).exists());

    // Refusals stay refusals: clear without --yes.
    EXPECT_EQ(cli({ "clear" }).code, 1);
}
