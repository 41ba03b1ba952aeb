#include "labels/TextGrid.h"

#include "platform/FileIO.h"
#include "platform/Format.h"
#include "platform/Utf8.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <optional>

namespace vx {

namespace {

constexpr std::size_t kFieldBytes = 255;
constexpr std::size_t kMaxMessageBytes = 1000;
// A TextGrid of ten tiers of a long recording's words and phones is a few
// megabytes; a file far beyond that is not read whole.
constexpr std::uint64_t kMaxTextGridBytes = std::uint64_t(256) << 20;

struct Failure {
    int line;
    std::string message;
};

[[noreturn]] void fail(int line, std::string message)
{
    throw Failure{line, std::move(message)};
}

std::string decodeUtf16(std::span<const std::uint8_t> s, bool bigEndian)
{
    std::string out;
    out.reserve(s.size() / 2);
    int line = 1;
    auto unit = [&](std::size_t i) {
        return bigEndian ? static_cast<std::uint32_t>(s[i] << 8 | s[i + 1])
                         : static_cast<std::uint32_t>(s[i + 1] << 8 | s[i]);
    };
    if (s.size() % 2 != 0)
        fail(0, "the UTF-16 text ends in half a character");
    for (std::size_t i = 0; i < s.size(); i += 2) {
        std::uint32_t cp = unit(i);
        if (cp >= 0xD800 && cp <= 0xDBFF) {
            if (i + 3 >= s.size() || unit(i + 2) < 0xDC00 || unit(i + 2) > 0xDFFF)
                fail(line, "line " + std::to_string(line) + ": a broken UTF-16 character (an unpaired surrogate)");
            cp = 0x10000 + ((cp - 0xD800) << 10) + (unit(i + 2) - 0xDC00);
            i += 2;
        } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
            fail(line, "line " + std::to_string(line) + ": a broken UTF-16 character (an unpaired surrogate)");
        }
        if (cp == '\n')
            ++line;
        appendUtf8(out, cp);
    }
    return out;
}

std::string_view text(std::span<const std::uint8_t> s)
{
    return {reinterpret_cast<const char*>(s.data()), s.size()};
}

std::string decode(std::span<const std::uint8_t> s)
{
    if (s.size() >= 2 && s[0] == 0xFF && s[1] == 0xFE)
        return decodeUtf16(s.subspan(2), false);
    if (s.size() >= 2 && s[0] == 0xFE && s[1] == 0xFF)
        return decodeUtf16(s.subspan(2), true);
    if (s.size() >= 3 && s[0] == 0xEF && s[1] == 0xBB && s[2] == 0xBF) {
        s = s.subspan(3);
        if (int line = invalidUtf8Line(text(s)))
            fail(line, "line " + std::to_string(line) + ": the text is not valid UTF-8 although the file says so");
        return std::string(text(s));
    }
    return utf8OrLatin1(text(s));
}

enum class Kind { text, number, flag, index, end };

struct Token {
    Kind kind = Kind::end;
    int line = 0;
    std::string text; // text, flag, or the word before an index
    double number = 0;
    long long index = 0;
};

// The values of the file in order. Everything else (the "xmin =" names of
// the long form, "!" comments) is skipped; "[k]" indices of the long form
// are kept so that they can be checked.
class Tokenizer {
public:
    explicit Tokenizer(const std::string& s) : m_s(s) {}

    Token next()
    {
        for (;;) {
            skipSpace();
            Token t;
            t.line = m_line;
            if (m_at >= m_s.size())
                return t;
            const char c = m_s[m_at];
            if (c == '"')
                return readText();
            if (c == '!') {
                while (m_at < m_s.size() && m_s[m_at] != '\n')
                    ++m_at;
                continue;
            }
            if (c == '<') {
                const std::size_t close = m_s.find('>', m_at);
                const std::size_t nl = m_s.find('\n', m_at);
                if (close == std::string::npos || close > nl)
                    fail(m_line, "line " + std::to_string(m_line) + ": a flag \"<\" is not closed with \">\"");
                t.kind = Kind::flag;
                t.text = m_s.substr(m_at + 1, close - m_at - 1);
                m_at = close + 1;
                return t;
            }
            if (c == '[') {
                const std::size_t close = m_s.find(']', m_at);
                const std::size_t nl = m_s.find('\n', m_at);
                if (close == std::string::npos || close > nl)
                    fail(m_line, "line " + std::to_string(m_line) + ": an index \"[\" is not closed with \"]\"");
                const std::string inside = m_s.substr(m_at + 1, close - m_at - 1);
                m_at = close + 1;
                if (inside.empty())
                    continue;
                long long k = 0;
                auto r = std::from_chars(inside.data(), inside.data() + inside.size(), k);
                if (r.ec != std::errc() || r.ptr != inside.data() + inside.size())
                    fail(m_line, "line " + std::to_string(m_line) + ": the index [" + inside + "] is not a number");
                t.kind = Kind::index;
                t.index = k;
                t.text = m_lastWord;
                return t;
            }
            const std::size_t start = m_at;
            while (m_at < m_s.size() && !isSpace(m_s[m_at]) && m_s[m_at] != '"' && m_s[m_at] != '['
                   && m_s[m_at] != '<')
                ++m_at;
            const std::string word = m_s.substr(start, m_at - start);
            if (!startsNumber(word)) {
                m_lastWord = word;
                continue;
            }
            double v = 0;
            const char* first = word.data() + (word[0] == '+' ? 1 : 0);
            auto r = std::from_chars(first, word.data() + word.size(), v);
            if (r.ec != std::errc() || r.ptr != word.data() + word.size() || !std::isfinite(v))
                fail(m_line, "line " + std::to_string(m_line) + ": \"" + word + "\" is not a number");
            t.kind = Kind::number;
            t.number = v;
            return t;
        }
    }

private:
    static bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

    static bool isDigit(char c) { return c >= '0' && c <= '9'; }

    static bool startsNumber(const std::string& w)
    {
        std::size_t i = 0;
        if (i < w.size() && (w[i] == '-' || w[i] == '+'))
            ++i;
        if (i < w.size() && w[i] == '.')
            ++i;
        return i < w.size() && isDigit(w[i]);
    }

    void skipSpace()
    {
        while (m_at < m_s.size() && isSpace(m_s[m_at])) {
            if (m_s[m_at] == '\n')
                ++m_line;
            ++m_at;
        }
    }

    Token readText()
    {
        Token t;
        t.kind = Kind::text;
        t.line = m_line;
        ++m_at;
        for (;;) {
            const std::size_t q = m_s.find('"', m_at);
            if (q == std::string::npos)
                fail(t.line, "line " + std::to_string(t.line) + ": a text begun here has no closing quote");
            m_line += static_cast<int>(std::count(m_s.begin() + static_cast<std::ptrdiff_t>(m_at),
                                                  m_s.begin() + static_cast<std::ptrdiff_t>(q), '\n'));
            t.text.append(m_s, m_at, q - m_at);
            m_at = q + 1;
            if (m_at < m_s.size() && m_s[m_at] == '"') {
                t.text += '"';
                ++m_at;
                continue;
            }
            return t;
        }
    }

    const std::string& m_s;
    std::size_t m_at = 0;
    int m_line = 1;
    std::string m_lastWord;
};

std::string describe(const Token& t)
{
    switch (t.kind) {
    case Kind::text:
        return "the text \"" + truncateUtf8(t.text, 40) + "\"";
    case Kind::number:
        return "a number";
    case Kind::flag:
        return "<" + t.text + ">";
    case Kind::index:
        return (t.text.empty() ? "" : t.text + " ") + "[" + std::to_string(t.index) + "]";
    case Kind::end:
        break;
    }
    return "the end of the file";
}

std::string at(int line)
{
    return "line " + std::to_string(line) + ": ";
}

std::string secondsText(double s)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.6f", s);
    std::string t = buf;
    while (t.size() > 1 && t.back() == '0')
        t.pop_back();
    if (t.back() == '.')
        t.pop_back();
    return t + " s";
}

class Parser {
public:
    Parser(const std::string& text, double lengthMs) : m_tokens(text), m_lengthMs(lengthMs) { advance(); }

    // The latest time read past the sound, in ms; 0 for none.
    double furthestEnd() const { return m_furthestEnd; }

    TextGridContents parse()
    {
        const Token type = m_tok;
        if (type.kind != Kind::text || (type.text != "ooTextFile" && type.text != "ooTextFile short"))
            fail(type.line, at(type.line) + "this is not a TextGrid text file: it must begin with "
                                             "File type = \"ooTextFile\"");
        advance();
        const Token cls = m_tok;
        if (cls.kind != Kind::text || cls.text != "TextGrid")
            fail(cls.line, at(cls.line) + "the object class must be \"TextGrid\", not "
                                           + (cls.kind == Kind::text ? "\"" + cls.text + "\"" : describe(cls)));
        advance();
        const double xmin = time("the TextGrid's xmin");
        const int xmaxLine = m_tok.line;
        const double xmax = time("the TextGrid's xmax", true);
        order(xmin, xmax, xmaxLine, "the TextGrid's xmin and xmax");
        TextGridContents out;
        if (m_tok.kind != Kind::flag || (m_tok.text != "exists" && m_tok.text != "absent"))
            fail(m_tok.line, at(m_tok.line) + "expected tiers? <exists> or <absent>, found " + describe(m_tok));
        const bool exists = m_tok.text == "exists";
        advance();
        const long long tiers = exists ? count("the number of tiers") : 0;
        for (long long i = 1; i <= tiers; ++i)
            out.tiers.push_back(tier(i, tiers));
        if (m_tok.kind != Kind::end)
            fail(m_tok.line, at(m_tok.line) + "the file goes on after the items its counts declare ("
                                               + std::to_string(tiers) + " tiers" + lastCount(out) + "), with "
                                               + describe(m_tok));
        if (out.tiers.size() > static_cast<std::size_t>(Channels::kNumTiers)) {
            std::string names;
            const std::size_t named = std::min<std::size_t>(out.tiers.size(), Channels::kNumTiers + 3);
            for (std::size_t k = Channels::kNumTiers; k < named; ++k)
                names += (names.empty() ? "" : ", ") + std::to_string(k + 1) + " \""
                       + truncateUtf8(out.tiers[k].name, 40) + "\"";
            if (named < out.tiers.size())
                names += " and " + std::to_string(out.tiers.size() - named) + " more";
            fail(m_tierLines[Channels::kNumTiers],
                 at(m_tierLines[Channels::kNumTiers]) + "the TextGrid has " + std::to_string(out.tiers.size())
                     + " tiers and a channel holds 10; tier" + (out.tiers.size() > 11 ? "s " : " ") + names
                     + " cannot be imported");
        }
        return out;
    }

private:
    void advance() { m_tok = m_tokens.next(); }

    double number(const std::string& what)
    {
        if (m_tok.kind != Kind::number)
            fail(m_tok.line, at(m_tok.line) + "expected a number for " + what + ", found " + describe(m_tok));
        const double v = m_tok.number;
        advance();
        return v;
    }

    // A time of the sound, in ms; an end (`end`) may lie a little past it.
    double time(const std::string& what, bool end = false)
    {
        const int line = m_tok.line;
        const double s = number(what);
        const double ms = s * 1000.0;
        const double slack = end ? kTextGridEndSlackMs : kTextGridTimeToleranceMs;
        if (!(ms >= -kTextGridTimeToleranceMs && ms <= m_lengthMs + slack))
            outside(line, what, s);
        if (ms > m_lengthMs + kTextGridTimeToleranceMs)
            m_furthestEnd = std::max(m_furthestEnd, ms);
        return std::clamp(ms, 0.0, std::max(0.0, m_lengthMs));
    }

    [[noreturn]] void outside(int line, const std::string& what, double s) const
    {
        fail(line, at(line) + what + " (" + secondsText(s) + ") lies outside the sound (0 to "
                       + secondsText(m_lengthMs / 1000.0) + ")");
    }

    void order(double a, double b, int line, const std::string& what)
    {
        if (a > b)
            fail(line, at(line) + what + " are in the wrong order");
    }

    long long count(const std::string& what)
    {
        const int line = m_tok.line;
        const double v = number(what);
        if (v < 0 || v != std::trunc(v) || v > 1e9)
            fail(line, at(line) + what + " must be a whole number of 0 or more");
        return static_cast<long long>(v);
    }

    std::string text(const std::string& what)
    {
        if (m_tok.kind != Kind::text)
            fail(m_tok.line, at(m_tok.line) + "expected a text in quotes for " + what + ", found " + describe(m_tok));
        std::string t = std::move(m_tok.text);
        const int line = m_tok.line;
        if (t.find('\0') != std::string::npos)
            fail(line, at(line) + what + " holds a NUL character, which a label or tier name cannot keep");
        if (t.size() > kFieldBytes)
            fail(line, at(line) + what + " (\"" + truncateUtf8(t, 40) + "...\") is " + std::to_string(t.size())
                           + " bytes long; at most 255 bytes are kept");
        advance();
        return t;
    }

    // The start of item k of n: its "[k]" in the long form, then its first
    // value, which must be there when the count is right.
    void itemStart(long long k, long long n, const std::string& owner, const std::string& items, Kind first)
    {
        if (m_tok.kind == Kind::index) {
            if (m_tok.index != k)
                fail(m_tok.line, at(m_tok.line) + owner + " declares " + std::to_string(n) + " " + items
                                     + ", but " + describe(m_tok) + " follows where number " + std::to_string(k)
                                     + " belongs");
            advance();
        }
        if (m_tok.kind != first)
            fail(m_tok.line, at(m_tok.line) + owner + " declares " + std::to_string(n) + " " + items
                                 + ", but number " + std::to_string(k) + " is not there (found " + describe(m_tok)
                                 + ")");
    }

    TextGridTier tier(long long i, long long n)
    {
        itemStart(i, n, "the TextGrid", "tiers", Kind::text);
        m_tierLines.push_back(m_tok.line);
        const int classLine = m_tok.line;
        const std::string cls = m_tok.text;
        advance();
        TextGridTier t;
        if (cls == "IntervalTier")
            t.intervals = true;
        else if (cls != "TextTier")
            fail(classLine, at(classLine) + "tier " + std::to_string(i) + " is of class \"" + truncateUtf8(cls, 40)
                                + "\"; only \"IntervalTier\" and \"TextTier\" are read");
        const std::string tierName = "tier " + std::to_string(i);
        t.name = text("the name of " + tierName);
        const std::string owner = tierName + " \"" + truncateUtf8(t.name, 40) + "\"";
        const double xmin = time("the xmin of " + owner);
        const int xmaxLine = m_tok.line;
        const double xmax = time("the xmax of " + owner, true);
        order(xmin, xmax, xmaxLine, "the xmin and xmax of " + owner);
        const long long items = count("the number of " + std::string(t.intervals ? "intervals" : "points") + " of "
                                      + owner);
        if (items > TIERS::kMaxLabels)
            fail(m_tok.line, at(m_tok.line) + owner + " declares " + std::to_string(items)
                                 + (t.intervals ? " intervals" : " points") + "; a tier holds at most "
                                 + std::to_string(TIERS::kMaxLabels) + " labels");
        m_lastItems = std::to_string(items) + (t.intervals ? " intervals" : " points");
        for (long long k = 1; k <= items; ++k) {
            const std::string item = (t.intervals ? "interval " : "point ") + std::to_string(k) + " of " + owner;
            itemStart(k, items, owner, t.intervals ? "intervals" : "points", Kind::number);
            // An empty interval (or point) after the sound holds no label:
            // only its bounds are moved.
            const std::string startName = "the " + std::string(t.intervals ? "xmin" : "time") + " of " + item;
            const int startLine = m_tok.line;
            const double startSeconds = m_tok.kind == Kind::number ? m_tok.number : 0;
            const double start = time(startName, true);
            if (t.intervals) {
                const int endLine = m_tok.line;
                const double end = time("the xmax of " + item, true);
                order(start, end, endLine, "the xmin and xmax of " + item);
            }
            std::string label = text("the text of " + item);
            if (!label.empty() && startSeconds * 1000.0 > m_lengthMs + kTextGridTimeToleranceMs)
                outside(startLine, startName, startSeconds);
            if (!label.empty())
                t.labels.push_back({start, std::move(label)});
        }
        return t;
    }

    std::string lastCount(const TextGridContents& c) const
    {
        return c.tiers.empty() ? "" : ", the last with " + m_lastItems;
    }

    Tokenizer m_tokens;
    Token m_tok;
    double m_lengthMs;
    double m_furthestEnd = 0; // the latest time past the sound, in ms; 0 for none
    std::string m_lastItems;
    std::vector<int> m_tierLines;
};

void appendQuoted(std::string& out, const std::string& s)
{
    out += '"';
    for (char c : s) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
}

// The shortest text that reads back as the same double, in any locale.
void appendSeconds(std::string& out, double ms)
{
    char buf[64];
    const double s = ms / 1000.0;
    auto r = std::to_chars(buf, buf + sizeof buf, s == 0 ? 0.0 : s);
    out.append(buf, r.ptr);
}

} // namespace

TextGridRead parseTextGrid(std::span<const std::uint8_t> bytes, double lengthMs)
{
    TextGridRead r;
    try {
        const std::string text = decode(bytes);
        Parser parser(text, lengthMs);
        r.contents = parser.parse();
        r.ok = true;
        if (parser.furthestEnd() > 0)
            r.note = "The TextGrid ends " + formatFixed(parser.furthestEnd() - lengthMs, 3)
                   + " ms after the sound; its end was moved to the sound's.";
    } catch (const Failure& f) {
        r.line = f.line;
        // Messages quote the file; a sentence is enough of it.
        r.error = f.message.size() > kMaxMessageBytes ? truncateUtf8(f.message, kMaxMessageBytes) + "..." : f.message;
        r.contents = {};
    }
    return r;
}

void applyTextGrid(Channels& c, const TextGridContents& contents)
{
    for (int i = 0; i < Channels::kNumTiers; ++i)
        c.Tier_RemoveLabelAll(i);
    const int n = std::min<int>(static_cast<int>(contents.tiers.size()), Channels::kNumTiers);
    for (int i = 0; i < n; ++i) {
        const TextGridTier& t = contents.tiers[static_cast<std::size_t>(i)];
        TIERS& tier = c.m_Tiers[static_cast<std::size_t>(i)];
        tier.setLevelName(t.name);
        tier.bSelected = true;
        tier.m_pArrayLabels.reserve(t.labels.size());
        for (const TextGridLabel& l : t.labels) {
            auto label = std::make_shared<Labels>();
            label->dTime = l.timeMs;
            label->nJustification = 0;
            label->bAddLine = t.intervals;
            label->setFont_Color(LabelFont{}, RGBColor{});
            label->setLabelText(l.text);
            c.Tier_Add_Label_Cocoa(i, std::move(label));
        }
    }
}

bool importTextGrid(Channels& c, std::span<const std::uint8_t> bytes, std::string* error, std::string* note)
{
    TextGridRead r = parseTextGrid(bytes, c.m_dLengthMS);
    if (!r.ok) {
        if (error)
            *error = r.error;
        return false;
    }
    applyTextGrid(c, r.contents);
    if (note)
        *note = r.note;
    return true;
}

bool importTextGridFile(Channels& c, const std::string& path, std::string* error, std::string* note)
{
    std::string why;
    auto bytes = readWholeFile(path, &why, kMaxTextGridBytes);
    if (!bytes) {
        if (error)
            *error = why;
        return false;
    }
    return importTextGrid(c, *bytes, error, note);
}

TextGridWrite textGridText(const Channels& c, TextGridTiers kind)
{
    TextGridWrite w;
    struct Held {
        const TIERS* tier;
        std::vector<const Labels*> labels;
    };
    std::vector<Held> held;
    if (!std::isfinite(c.m_dLengthMS)) {
        w.error = "the recording's length is not a number of milliseconds";
        return w;
    }
    double endMs = std::max(0.0, c.m_dLengthMS);
    // Tiers keep their places: an empty tier before the last one with labels
    // is written as an empty tier, so that an import puts every tier back
    // where it was.
    std::size_t written = 0;
    for (std::size_t i = 0; i < c.m_Tiers.size(); ++i)
        if (!c.m_Tiers[i].m_pArrayLabels.empty())
            written = i + 1;
    for (std::size_t i = 0; i < written; ++i) {
        const TIERS& t = c.m_Tiers[i];
        Held h{&t, {}};
        for (const LabelPtr& l : t.m_pArrayLabels) {
            if (!std::isfinite(l->dTime)) {
                w.error = "tier " + std::to_string(i + 1) + " \"" + t.strName + "\" has a label (\""
                        + l->getLabelText() + "\") without a usable time";
                return w;
            }
            if (!(l->dTime >= 0)) {
                w.error = "tier " + std::to_string(i + 1) + " \"" + t.strName + "\" has a label (\""
                        + l->getLabelText() + "\") before the start of the sound";
                return w;
            }
            h.labels.push_back(l.get());
            endMs = std::max(endMs, l->dTime);
        }
        std::stable_sort(h.labels.begin(), h.labels.end(),
                         [](const Labels* a, const Labels* b) { return a->dTime < b->dTime; });
        if (kind == TextGridTiers::intervals) {
            for (std::size_t k = 0; k < h.labels.size(); ++k) {
                const double t0 = h.labels[k]->dTime;
                const bool last = k + 1 == h.labels.size();
                if ((last && t0 / 1000.0 >= endMs / 1000.0)
                    || (!last && h.labels[k + 1]->dTime / 1000.0 == t0 / 1000.0)) {
                    char ms[64];
                    std::snprintf(ms, sizeof ms, "%.3f", t0);
                    w.error = "tier " + std::to_string(i + 1) + " \"" + t.strName + "\" has "
                            + (last ? "a label at the end of the sound" : "two labels at the same time")
                            + " (" + ms + " ms), which would make an interval of no length; write point tiers "
                              "instead, or move the label";
                    return w;
                }
            }
        }
        held.push_back(std::move(h));
    }

    std::string& o = w.text;
    o.reserve(256 + held.size() * 200);
    o += "File type = \"ooTextFile\"\nObject class = \"TextGrid\"\n\nxmin = 0 \nxmax = ";
    appendSeconds(o, endMs);
    o += " \ntiers? <exists> \nsize = " + std::to_string(held.size()) + " \nitem []: \n";
    for (std::size_t i = 0; i < held.size(); ++i) {
        const Held& h = held[i];
        const bool iv = kind == TextGridTiers::intervals;
        o += "    item [" + std::to_string(i + 1) + "]:\n        class = ";
        o += iv ? "\"IntervalTier\"" : "\"TextTier\"";
        o += " \n        name = ";
        appendQuoted(o, h.tier->strName);
        o += " \n        xmin = 0 \n        xmax = ";
        appendSeconds(o, endMs);
        if (!iv) {
            o += " \n        points: size = " + std::to_string(h.labels.size()) + " \n";
            for (std::size_t k = 0; k < h.labels.size(); ++k) {
                o += "        points [" + std::to_string(k + 1) + "]:\n            number = ";
                appendSeconds(o, h.labels[k]->dTime);
                o += " \n            mark = ";
                appendQuoted(o, h.labels[k]->getLabelText());
                o += " \n";
            }
            continue;
        }
        if (h.labels.empty()) {
            o += " \n        intervals: size = 1 \n        intervals [1]:\n            xmin = 0 \n            xmax = ";
            appendSeconds(o, endMs);
            o += " \n            text = \"\" \n";
            continue;
        }
        const bool lead = h.labels.front()->dTime / 1000.0 > 0;
        o += " \n        intervals: size = " + std::to_string(h.labels.size() + (lead ? 1 : 0)) + " \n";
        std::size_t n = 0;
        auto interval = [&](double fromMs, double toMs, const std::string& text) {
            o += "        intervals [" + std::to_string(++n) + "]:\n            xmin = ";
            appendSeconds(o, fromMs);
            o += " \n            xmax = ";
            appendSeconds(o, toMs);
            o += " \n            text = ";
            appendQuoted(o, text);
            o += " \n";
        };
        if (lead)
            interval(0, h.labels.front()->dTime, "");
        for (std::size_t k = 0; k < h.labels.size(); ++k)
            interval(h.labels[k]->dTime, k + 1 < h.labels.size() ? h.labels[k + 1]->dTime : endMs,
                     h.labels[k]->getLabelText());
    }
    w.ok = true;
    return w;
}

bool exportTextGridFile(const Channels& c, const std::string& path, TextGridTiers kind, std::string* error)
{
    TextGridWrite w = textGridText(c, kind);
    if (!w.ok) {
        if (error)
            *error = w.error;
        return false;
    }
    const auto* p = reinterpret_cast<const std::uint8_t*>(w.text.data());
    return writeFileAtomically(path, {p, w.text.size()}, error);
}

} // namespace vx
