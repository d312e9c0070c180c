#pragma once

#include "cli/CliArgs.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QStringView>
#include <QTextStream>

namespace corvinel {

struct ResultTable;

// What a command prints its tables as.
enum class OutputFormat
{
    Text, // aligned columns for a terminal
    Tsv, // tab-separated, a header line first
    Json // compact JSON on one line
};

// --format text|tsv|json.
extern const Option<OutputFormat> kFormatOption;
// --format text|json, for output that has no table form.
extern const Option<OutputFormat> kTextOrJsonFormatOption;

// How the text form lines up a table's columns. Each column is padded to its
// width, left- or right-aligned, and separated from the next by `gap`; a
// left-aligned last column is not padded, so no line ends in spaces.
struct TextLayout
{
    enum class Align
    {
        Left,
        Right
    };
    enum class Measure
    {
        Characters, // a width counts characters
        TerminalColumns // a Chinese character takes two columns
    };
    struct Column
    {
        Align align = Align::Left;
        int width = 0; // the least width
        bool fitCells = true; // widened to the column's widest cell, header included
    };
    Measure measure = Measure::TerminalColumns;
    QString gap = QStringLiteral("  ");
    Column first; // column 0
    Column others; // every other column
};

// The table as aligned text: its header line, then one line per row.
void writeText(QTextStream& out, const ResultTable& table, const TextLayout& layout = {});
// The table tab-separated: its header line, then one line per row.
void writeTsv(QTextStream& out, const ResultTable& table);
// {"header":[...],"rows":[[...],...]} and a line end.
void writeTableJson(QTextStream& out, const ResultTable& table);
// The table in `format` (text in `layout`).
void writeTable(QTextStream& out, OutputFormat format, const ResultTable& table, const TextLayout& layout = {});

// A JSON document and a line end, compact, straight to the stream's device.
void writeJson(QTextStream& out, const QJsonObject& object);
void writeJson(QTextStream& out, const QByteArray& compactJson);

// Compact JSON written straight into UTF-8 bytes, exactly as QJsonDocument's
// compact form writes the same values. A combination search lists every
// matched draw (megabytes of text); building that as a QJsonArray of
// QJsonArrays and converting it twice cost more than the search itself.

// Appends `text` as a JSON string (quotes and escapes included).
void appendJsonString(QByteArray& out, QStringView text);
// {"header":[...],"rows":[[...],...]}: the table's header and every body row.
void appendTableJson(QByteArray& out, const ResultTable& table);

// A JSON object written member by member in the order they are added
// (QJsonObject keeps its keys sorted; add them sorted to read alike).
class JsonObjectText
{
public:
    void add(const char* key, const QJsonObject& value);
    void add(const char* key, const QJsonArray& value);
    void add(const char* key, const ResultTable& table);
    // The object, "{...}".
    QByteArray text() const;

private:
    void key(const char* key);

    QByteArray m_members;
};

} // namespace corvinel
