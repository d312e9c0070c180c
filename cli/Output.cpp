#include "cli/Output.h"

#include "analysis/ResultTable.h"

#include <QIODevice>
#include <QJsonDocument>

#include <algorithm>

namespace corvinel {

namespace {

std::optional<OutputFormat> formatOf(const QString& text)
{
    if (text == QLatin1String("text"))
        return OutputFormat::Text;
    if (text == QLatin1String("tsv"))
        return OutputFormat::Tsv;
    if (text == QLatin1String("json"))
        return OutputFormat::Json;
    return std::nullopt;
}

std::optional<OutputFormat> anyFormat(const OptionDecl&, const QString& text, QString* error)
{
    const auto f = formatOf(text);
    if (!f)
        *error = QStringLiteral("unknown format %1 (text, tsv or json)").arg(text);
    return f;
}

std::optional<OutputFormat> textOrJson(const OptionDecl&, const QString& text, QString* error)
{
    const auto f = formatOf(text);
    if (!f || *f == OutputFormat::Tsv) {
        *error = QStringLiteral("unknown format %1 (text or json)").arg(text);
        return std::nullopt;
    }
    return f;
}

int widthOf(const QString& text, TextLayout::Measure measure)
{
    if (measure == TextLayout::Measure::Characters)
        return static_cast<int>(text.size());
    int w = 0;
    for (const QChar ch : text)
        w += ch.unicode() >= 0x2E80 ? 2 : 1;
    return w;
}

} // namespace

const Option<OutputFormat> kFormatOption { "--format", "FORMAT", "text (the default), tsv or json", anyFormat };
const Option<OutputFormat> kTextOrJsonFormatOption { "--format", "FORMAT", "text (the default) or json", textOrJson };

void writeText(QTextStream& out, const ResultTable& table, const TextLayout& layout)
{
    const int columns = table.columnCount();
    std::vector<int> width(static_cast<std::size_t>(columns), 0);
    for (int c = 0; c < columns; ++c) {
        const TextLayout::Column& rule = c == 0 ? layout.first : layout.others;
        int& w = width[static_cast<std::size_t>(c)];
        w = rule.width;
        if (!rule.fitCells)
            continue;
        w = std::max(w, widthOf(table.header[c], layout.measure));
        for (int r = 0; r < table.rowCount(); ++r)
            w = std::max(w, widthOf(table.cell(r, c), layout.measure));
    }
    auto line = [&](const QStringList& cells) {
        QString text;
        for (int c = 0; c < columns; ++c) {
            const TextLayout::Column& rule = c == 0 ? layout.first : layout.others;
            const QString& cell = cells[c];
            const int pad = std::max(0, width[static_cast<std::size_t>(c)] - widthOf(cell, layout.measure));
            if (c > 0)
                text += layout.gap;
            if (rule.align == TextLayout::Align::Right)
                text += QString(pad, u' ') + cell;
            else if (c + 1 < columns)
                text += cell + QString(pad, u' ');
            else
                text += cell;
        }
        out << text << '\n';
    };
    line(table.header);
    for (int r = 0; r < table.rowCount(); ++r)
        line(table.row(r));
}

void writeTsv(QTextStream& out, const ResultTable& table)
{
    out << table.header.join(u'\t') << '\n';
    for (int r = 0; r < table.rowCount(); ++r)
        out << table.row(r).join(u'\t') << '\n';
}

void writeTableJson(QTextStream& out, const ResultTable& table)
{
    QByteArray doc;
    appendTableJson(doc, table);
    writeJson(out, doc);
}

void writeTable(QTextStream& out, OutputFormat format, const ResultTable& table, const TextLayout& layout)
{
    switch (format) {
    case OutputFormat::Text:
        writeText(out, table, layout);
        break;
    case OutputFormat::Tsv:
        writeTsv(out, table);
        break;
    case OutputFormat::Json:
        writeTableJson(out, table);
        break;
    }
}

void writeJson(QTextStream& out, const QJsonObject& object)
{
    writeJson(out, QJsonDocument(object).toJson(QJsonDocument::Compact));
}

void writeJson(QTextStream& out, const QByteArray& compactJson)
{
    // Past the stream's own encoding: the bytes are UTF-8 already.
    out.flush();
    out.device()->write(compactJson);
    out.device()->write("\n", 1);
}

void appendJsonString(QByteArray& out, QStringView text)
{
    static constexpr char kHex[] = "0123456789abcdef";
    out.append('"');
    qsizetype plainFrom = 0;
    auto flushPlain = [&](qsizetype to) {
        if (to > plainFrom)
            out.append(text.mid(plainFrom, to - plainFrom).toUtf8());
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c >= 0x20 && c != u'"' && c != u'\\')
            continue;
        flushPlain(i);
        plainFrom = i + 1;
        out.append('\\');
        switch (c) {
        case u'"':
            out.append('"');
            break;
        case u'\\':
            out.append('\\');
            break;
        case u'\b':
            out.append('b');
            break;
        case u'\f':
            out.append('f');
            break;
        case u'\n':
            out.append('n');
            break;
        case u'\r':
            out.append('r');
            break;
        case u'\t':
            out.append('t');
            break;
        default:
            out.append("u00");
            out.append(kHex[(c >> 4) & 0xf]);
            out.append(kHex[c & 0xf]);
            break;
        }
    }
    flushPlain(text.size());
    out.append('"');
}

void appendTableJson(QByteArray& out, const ResultTable& table)
{
    out.append("{\"header\":[");
    for (qsizetype c = 0; c < table.header.size(); ++c) {
        if (c)
            out.append(',');
        appendJsonString(out, table.header[c]);
    }
    out.append("],\"rows\":[");
    const int columns = table.columnCount();
    for (int r = 0; r < table.rowCount(); ++r) {
        out.append(r ? ",[" : "[");
        for (int c = 0; c < columns; ++c) {
            if (c)
                out.append(',');
            appendJsonString(out, table.cell(r, c));
        }
        out.append(']');
    }
    out.append("]}");
}

void JsonObjectText::key(const char* key)
{
    if (!m_members.isEmpty())
        m_members.append(',');
    appendJsonString(m_members, QString::fromUtf8(key));
    m_members.append(':');
}

void JsonObjectText::add(const char* key, const QJsonObject& value)
{
    this->key(key);
    m_members.append(QJsonDocument(value).toJson(QJsonDocument::Compact));
}

void JsonObjectText::add(const char* key, const QJsonArray& value)
{
    this->key(key);
    m_members.append(QJsonDocument(value).toJson(QJsonDocument::Compact));
}

void JsonObjectText::add(const char* key, const ResultTable& table)
{
    this->key(key);
    appendTableJson(m_members, table);
}

QByteArray JsonObjectText::text() const
{
    return '{' + m_members + '}';
}

} // namespace corvinel
