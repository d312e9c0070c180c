#include "acquire/DrawPageReader.h"

#include "core/IssueNumber.h"

#include <QRegularExpression>

#include <gumbo.h>

#include <cstring>
#include <memory>
#include <algorithm>
#include <set>

namespace corvinel::update {

namespace {

struct GumboDeleter
{
    void operator()(GumboOutput* out) const { gumbo_destroy_output(&kGumboDefaultOptions, out); }
};
using GumboPtr = std::unique_ptr<GumboOutput, GumboDeleter>;

GumboPtr parse(const QByteArray& html)
{
    GumboOptions options = kGumboDefaultOptions;
    // Garbage pages produce an error per byte; the errors are never read.
    options.max_errors = 0;
    return GumboPtr(gumbo_parse_with_options(&options, html.constData(), static_cast<size_t>(html.size())));
}

bool hasIdDrawList(const GumboNode* node)
{
    if (node->type != GUMBO_NODE_ELEMENT)
        return false;
    const GumboAttribute* id = gumbo_get_attribute(&node->v.element.attributes, "id");
    return id && std::strcmp(id->value, "draw_list") == 0;
}

const GumboVector* childrenOf(const GumboNode* node)
{
    if (node->type == GUMBO_NODE_ELEMENT || node->type == GUMBO_NODE_TEMPLATE)
        return &node->v.element.children;
    if (node->type == GUMBO_NODE_DOCUMENT)
        return &node->v.document.children;
    return nullptr;
}

// First element with id "draw_list" in document order. Iterative, so that a
// deeply nested page cannot exhaust the stack.
const GumboNode* findDrawList(const GumboNode* root)
{
    std::vector<const GumboNode*> stack { root };
    while (!stack.empty()) {
        const GumboNode* node = stack.back();
        stack.pop_back();
        if (hasIdDrawList(node))
            return node;
        if (const GumboVector* kids = childrenOf(node)) {
            for (unsigned i = kids->length; i-- > 0;)
                stack.push_back(static_cast<const GumboNode*>(kids->data[i]));
        }
    }
    return nullptr;
}

bool isBlockTag(GumboTag tag)
{
    switch (tag) {
    case GUMBO_TAG_P:
    case GUMBO_TAG_DIV:
    case GUMBO_TAG_LI:
    case GUMBO_TAG_UL:
    case GUMBO_TAG_OL:
    case GUMBO_TAG_DL:
    case GUMBO_TAG_DT:
    case GUMBO_TAG_DD:
    case GUMBO_TAG_TABLE:
    case GUMBO_TAG_TR:
    case GUMBO_TAG_TD:
    case GUMBO_TAG_TH:
    case GUMBO_TAG_H1:
    case GUMBO_TAG_H2:
    case GUMBO_TAG_H3:
    case GUMBO_TAG_H4:
    case GUMBO_TAG_H5:
    case GUMBO_TAG_H6:
        return true;
    default:
        return false;
    }
}

bool isHiddenTag(GumboTag tag)
{
    return tag == GUMBO_TAG_SCRIPT || tag == GUMBO_TAG_STYLE || tag == GUMBO_TAG_TEMPLATE;
}

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// Blanks of every kind (including &nbsp; and the ideographic space) become
// one space; zero-width characters disappear; the ends are trimmed.
QString collapseBlanks(const QString& raw)
{
    QString out;
    out.reserve(raw.size());
    bool pendingSpace = false;
    for (QChar c : raw) {
        if (c == QChar(0x200B) || c == QChar(0xFEFF) || c == QChar(0x200C) || c == QChar(0x200D))
            continue;
        if (c.isSpace()) {
            pendingSpace = !out.isEmpty();
            continue;
        }
        if (pendingSpace)
            out += QLatin1Char(' ');
        pendingSpace = false;
        out += c;
    }
    return out;
}

// Inner text of a cell: the text of every descendant in order, line breaks
// for <br> and block elements. `separated` is the same text with a blank
// wherever an element boundary runs between two digits, so that numbers
// written as <span>01</span><span>05</span> stay readable one by one.
struct CellText
{
    QString joined;
    QString separated;
};

CellText innerText(const GumboNode* cell)
{
    struct Frame
    {
        const GumboNode* node;
        unsigned next;
    };
    QString text;
    QString separated;
    bool boundary = false;
    auto appendText = [&](const char* utf8) {
        const QString s = QString::fromUtf8(utf8);
        if (s.isEmpty())
            return;
        if (boundary && !separated.isEmpty() && isDigit(separated.back()) && isDigit(s.front()))
            separated += QLatin1Char(' ');
        boundary = false;
        text += s;
        separated += s;
    };
    auto appendBreak = [&] {
        text += QLatin1Char('\n');
        separated += QLatin1Char('\n');
    };
    std::vector<Frame> stack { { cell, 0 } };
    while (!stack.empty()) {
        Frame& f = stack.back();
        const GumboVector* kids = childrenOf(f.node);
        if (!kids || f.next >= kids->length) {
            if (f.node != cell && f.node->type == GUMBO_NODE_ELEMENT) {
                if (isBlockTag(f.node->v.element.tag))
                    appendBreak();
                boundary = true;
            }
            stack.pop_back();
            continue;
        }
        const GumboNode* child = static_cast<const GumboNode*>(kids->data[f.next++]);
        switch (child->type) {
        case GUMBO_NODE_TEXT:
        case GUMBO_NODE_CDATA:
        case GUMBO_NODE_WHITESPACE:
            appendText(child->v.text.text);
            break;
        case GUMBO_NODE_ELEMENT: {
            const GumboTag tag = child->v.element.tag;
            if (tag == GUMBO_TAG_BR) {
                appendBreak();
                boundary = true;
            } else if (!isHiddenTag(tag)) {
                if (isBlockTag(tag))
                    appendBreak();
                boundary = true;
                stack.push_back({ child, 0 });
            }
            break;
        }
        default:
            break; // comments, templates
        }
    }
    return { collapseBlanks(text), collapseBlanks(separated) };
}

std::vector<CellText> rowCells(const GumboNode* tr)
{
    std::vector<CellText> cells;
    const GumboVector& kids = tr->v.element.children;
    for (unsigned i = 0; i < kids.length; ++i) {
        const auto* c = static_cast<const GumboNode*>(kids.data[i]);
        if (c->type == GUMBO_NODE_ELEMENT && (c->v.element.tag == GUMBO_TAG_TD || c->v.element.tag == GUMBO_TAG_TH))
            cells.push_back(innerText(c));
    }
    return cells;
}

// Rows of the table in document order. Rows of a table nested inside a cell
// belong to that cell, not to the draw list.
std::vector<std::vector<CellText>> tableRows(const GumboNode* root)
{
    std::vector<std::vector<CellText>> rows;
    std::vector<const GumboNode*> stack { root };
    while (!stack.empty()) {
        const GumboNode* node = stack.back();
        stack.pop_back();
        if (node->type == GUMBO_NODE_ELEMENT && node->v.element.tag == GUMBO_TAG_TR) {
            rows.push_back(rowCells(node));
            continue;
        }
        if (node->type == GUMBO_NODE_ELEMENT && isHiddenTag(node->v.element.tag))
            continue;
        if (const GumboVector* kids = childrenOf(node)) {
            for (unsigned i = kids->length; i-- > 0;)
                stack.push_back(static_cast<const GumboNode*>(kids->data[i]));
        }
    }
    return rows;
}

const QRegularExpression& numbersForm()
{
    static const QRegularExpression re(QStringLiteral("^[0-9]{2}(?:[^0-9][0-9]{2})*$"));
    return re;
}

} // namespace

namespace {

bool isAsciiLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isVoidTag(const QByteArray& n)
{
    static const char* const names[]
        = { "area",  "base",   "br",    "col", "embed",  "hr",       "img",     "input", "link",  "meta",
            "param", "source", "track", "wbr", "keygen", "basefont", "bgsound", "frame", "image", "menuitem" };
    for (const char* v : names)
        if (n == v)
            return true;
    return false;
}

// A start tag of these closes an open element of the same name up to the
// nearest enclosing container.
bool closesItsSibling(const QByteArray& n)
{
    return n == "p" || n == "li" || n == "dt" || n == "dd" || n == "tr" || n == "td" || n == "th" || n == "option";
}

bool isContainer(const QByteArray& n)
{
    return n == "table" || n == "tbody" || n == "thead" || n == "tfoot" || n == "ul" || n == "ol" || n == "dl"
        || n == "select" || n == "body" || n == "html";
}

} // namespace

int estimatedNestingDepth(const QByteArray& html)
{
    std::vector<QByteArray> open;
    int deepest = 0;
    const char* p = html.constData();
    const char* const end = p + html.size();
    auto skipPast = [&](const char* from, const char* marker) {
        const QByteArrayView rest(from, end - from);
        const qsizetype at = rest.indexOf(QByteArrayView(marker));
        return at < 0 ? end : from + at + static_cast<qsizetype>(std::strlen(marker));
    };
    while (p < end) {
        if (*p != '<') {
            ++p;
            continue;
        }
        if (p + 3 < end && p[1] == '!' && p[2] == '-' && p[3] == '-') {
            p = skipPast(p + 4, "-->");
            continue;
        }
        const bool closing = p + 1 < end && p[1] == '/';
        const char* q = p + (closing ? 2 : 1);
        if (q >= end || !isAsciiLetter(*q)) {
            ++p;
            continue;
        }
        const char* nameStart = q;
        while (q < end && (isAsciiLetter(*q) || (*q >= '0' && *q <= '9') || *q == '-'))
            ++q;
        const QByteArray name = QByteArray(nameStart, q - nameStart).toLower();
        const char* tagEnd = q;
        while (tagEnd < end && *tagEnd != '>')
            ++tagEnd;
        const bool selfClosing = tagEnd > q && tagEnd < end && tagEnd[-1] == '/';
        p = tagEnd < end ? tagEnd + 1 : end;
        if (closing) {
            for (std::size_t i = open.size(); i-- > 0;) {
                if (open[i] == name) {
                    open.resize(i);
                    break;
                }
            }
            continue;
        }
        if (isVoidTag(name) || selfClosing)
            continue;
        if (name == "script" || name == "style" || name == "textarea" || name == "title" || name == "xmp") {
            p = skipPast(p, "</"); // raw text: its content holds no tags
            continue;
        }
        if (closesItsSibling(name)) {
            for (std::size_t i = open.size(); i-- > 0;) {
                if (isContainer(open[i]))
                    break;
                if (open[i] == name) {
                    open.resize(i);
                    break;
                }
            }
        }
        open.push_back(name);
        deepest = std::max(deepest, static_cast<int>(open.size()));
        if (deepest > kMaxNesting)
            return deepest; // enough to refuse
    }
    return deepest;
}

int characterCount(const QString& text)
{
    int n = 0;
    for (int i = 0; i < text.size(); ++i) {
        if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
        ++n;
    }
    return n;
}

namespace {

std::optional<std::vector<std::vector<CellText>>> drawListRows(const QByteArray& html, bool* tooDeep = nullptr)
{
    if (estimatedNestingDepth(html) > kMaxNesting) {
        if (tooDeep)
            *tooDeep = true;
        return std::nullopt;
    }
    GumboPtr out = parse(html);
    if (!out)
        return std::nullopt;
    const GumboNode* list = findDrawList(out->document);
    if (!list)
        return std::nullopt;
    return tableRows(list);
}

} // namespace

std::optional<std::vector<QStringList>> drawListCells(const QByteArray& html)
{
    const auto rows = drawListRows(html);
    if (!rows)
        return std::nullopt;
    std::vector<QStringList> out;
    for (const auto& row : *rows) {
        QStringList cells;
        for (const CellText& c : row)
            cells << c.joined;
        out.push_back(cells);
    }
    return out;
}

DrawPageReader::DrawPageReader(int lotteryCode, const QDate& day)
    : m_code(lotteryCode)
    , m_day(day)
{
}

int DrawPageReader::cellTextLimit(int lotteryCode)
{
    return lotteryCode == issue::kCode566 ? 9 : 11;
}

int DrawPageReader::pageDateNumber() const
{
    return (m_day.year() % 100) * 10000 + m_day.month() * 100 + m_day.day();
}

std::int64_t DrawPageReader::storedForm(int sequence) const
{
    const int factor = issue::sequenceDigits(m_code) == 3 ? 1000 : 100;
    return static_cast<std::int64_t>(pageDateNumber()) * factor + sequence;
}

std::optional<int> DrawPageReader::issueSequence(const QString& cellText) const
{
    if (cellText.isEmpty() || characterCount(cellText) > cellTextLimit(m_code))
        return std::nullopt;
    for (QChar c : cellText) {
        if (!isDigit(c))
            return std::nullopt;
    }
    const QString ymd = QStringLiteral("%1").arg(pageDateNumber(), 6, 10, QLatin1Char('0'));
    const int ownDigits = issue::sequenceDigits(m_code);
    const int maxSequence = ownDigits == 3 ? 120 : 99;
    // The site may write the sequence with two or three digits whatever the
    // stored width is (the sequence is the value, "052" is 52).
    for (int width : { ownDigits, ownDigits == 3 ? 2 : 3 }) {
        const int len = static_cast<int>(cellText.size());
        if (len < 6 + width)
            continue;
        const QString prefix = cellText.left(len - 6 - width);
        if (cellText.mid(len - 6 - width, 6) != ymd)
            continue;
        if (!prefix.isEmpty() && prefix != QLatin1String("20"))
            continue;
        const int seq = cellText.right(width).toInt();
        if (seq >= 1 && seq <= maxSequence)
            return seq;
    }
    return std::nullopt;
}

bool DrawPageReader::isNumbersCell(const QString& cellText) const
{
    return characterCount(cellText) > cellTextLimit(m_code) && numbersForm().match(cellText).hasMatch();
}

QString DrawPageReader::readNumbers(const QString& cellText, std::array<int, kPositions>* out)
{
    std::vector<int> values;
    for (int i = 0; i + 1 < cellText.size(); i += 3)
        values.push_back(cellText.mid(i, 2).toInt());
    if (static_cast<int>(values.size()) != kPositions)
        return QStringLiteral("号码栏有%1个号码，应为8个").arg(values.size());
    std::set<int> seen;
    for (int v : values) {
        if (v < 1 || v > 20)
            return QStringLiteral("号码%1不在01~20之内").arg(v, 2, 10, QLatin1Char('0'));
        if (!seen.insert(v).second)
            return QStringLiteral("号码%1重复").arg(v, 2, 10, QLatin1Char('0'));
    }
    if (out) {
        for (int p = 0; p < kPositions; ++p)
            (*out)[p] = values[p];
    }
    return {};
}

DrawPage DrawPageReader::read(const QByteArray& html) const
{
    DrawPage page;
    const auto rows = drawListRows(html, &page.tooDeep);
    if (!rows)
        return page;
    page.hasTable = true;
    page.rowCount = static_cast<int>(rows->size());
    for (int r = 0; r < page.rowCount; ++r) {
        std::optional<int> seq;
        const QString* numbers = nullptr;
        for (const CellText& t : (*rows)[r]) {
            if (!seq) {
                if ((seq = issueSequence(t.joined)))
                    continue;
            }
            if (!numbers) {
                if (isNumbersCell(t.joined))
                    numbers = &t.joined;
                else if (isNumbersCell(t.separated))
                    numbers = &t.separated;
            }
        }
        if (!seq)
            continue;
        PageDraw d;
        d.row = r;
        d.sequence = *seq;
        d.sqqh = storedForm(*seq);
        if (numbers) {
            d.hasNumbers = true;
            d.numbersText = *numbers;
            d.problem = readNumbers(*numbers, &d.numbers);
        }
        // A draw listed twice: the same numbers are one draw; different
        // numbers cannot both be right.
        bool duplicate = false;
        for (PageDraw& earlier : page.draws) {
            if (earlier.sequence != d.sequence)
                continue;
            duplicate = true;
            if (!d.hasNumbers)
                break;
            if (!earlier.hasNumbers) {
                earlier = d;
            } else if (earlier.numbersText != d.numbersText && earlier.problem.isEmpty()) {
                earlier.problem = QStringLiteral("同一期在页面上出现两次，号码不同");
            }
            break;
        }
        if (!duplicate)
            page.draws.push_back(d);
    }
    return page;
}

} // namespace corvinel::update
