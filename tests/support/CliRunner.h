#pragma once

// Runs the built corvinel-cli as a child process on a test's own settings
// folder and data folder.

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

namespace corvinel::testing {

// The folder of a game's history in a data folder: the default game, Hunan,
// unless another game's folder name is given.
inline QString historyFolderIn(const QString& dataDir, const QString& gameFolder = QStringLiteral("湖南快乐十分"))
{
    return dataDir + QStringLiteral("/") + gameFolder;
}

struct CliRun
{
    int code = -1; // -1 when the program crashed or did not finish in a minute
    QString out;
    QString err;
};

inline CliRun runCli(const QString& configHome, const QString& dataDir, const QStringList& args)
{
    const QString bin = qEnvironmentVariable("CORVINEL_TEST_BINARY_DIR") + "/cli/corvinel-cli";
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", configHome);
    p.setProcessEnvironment(env);
    p.start(bin, QStringList { "--data-dir", dataDir } + args);
    if (!p.waitForFinished(60000))
        return {};
    return { p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardOutput()),
             QString::fromUtf8(p.readAllStandardError()) };
}

} // namespace corvinel::testing
