// The CLI writes its big JSON tables as text by hand; a reader must get
// exactly what QJsonDocument's compact form gives for the same values.
#include "cli/Output.h"

#include "analysis/ResultTable.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

using namespace corvinel;

namespace {

QByteArray byQt(const ResultTable& t)
{
    QJsonArray rows;
    for (int r = 0; r < t.rowCount(); ++r)
        rows.append(QJsonArray::fromStringList(t.row(r)));
    QJsonObject o;
    o.insert(QStringLiteral("header"), QJsonArray::fromStringList(t.header));
    o.insert(QStringLiteral("rows"), rows);
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

QByteArray byHand(const ResultTable& t)
{
    QByteArray out;
    appendTableJson(out, t);
    return out;
}

} // namespace

TEST(JsonText, StringsEscapeAsQtDoes)
{
    // Every character below 0x80, then texts of the grids and odd ones.
    QStringList texts;
    for (char16_t c = 0; c < 0x80; ++c)
        texts << QString(QChar(c)) + QStringLiteral("x");
    texts << QString() << QStringLiteral("序号") << QStringLiteral("猪 鼠") << QStringLiteral("12.50%")
          << QStringLiteral("a\"b\\c/d") << QString::fromUtf8("\xF0\x9F\x8E\xB2 dice")
          << QStringLiteral("\u2028\u00e9");
    for (const QString& t : texts) {
        QByteArray mine;
        appendJsonString(mine, t);
        const QByteArray qt = QJsonDocument(QJsonArray { t }).toJson(QJsonDocument::Compact);
        EXPECT_EQ("[" + mine + "]", qt) << "character " << (t.isEmpty() ? -1 : t[0].unicode());
    }
}

TEST(JsonText, TablesMatchQtCompactForm)
{
    ResultTable plain;
    plain.header = { QStringLiteral("序号"), QStringLiteral("结果"), QStringLiteral("出现次数") };
    plain.cells = { QStringLiteral("1"), QStringLiteral("07"), QStringLiteral("12"),
                    QStringLiteral("2"), QStringLiteral("虎"), QStringLiteral("\"9\"") };
    EXPECT_EQ(byHand(plain), byQt(plain));

    ResultTable empty;
    empty.header = { QStringLiteral("期号") };
    EXPECT_EQ(byHand(empty), byQt(empty));
    EXPECT_EQ(byHand(ResultTable {}), byQt(ResultTable {}));

    ResultTable lazy;
    lazy.header = { QStringLiteral("a"), QStringLiteral("b") };
    lazy.lazyRows = 300;
    lazy.lazyCell = [](int r, int c) { return QString::number(r * 10 + c) + (c ? QStringLiteral("\t") : QString()); };
    EXPECT_EQ(byHand(lazy), byQt(lazy));
}
