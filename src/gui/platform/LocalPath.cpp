#include "gui/platform/LocalPath.h"

namespace vx {

namespace {

constexpr char16_t kKeptByteBase = 0xDC00;

// Length of the valid UTF-8 sequence at s[i], or 0.
std::size_t sequenceAt(std::string_view s, std::size_t i)
{
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char c = b(i);
    if (c < 0x80)
        return 1;
    std::size_t n;
    unsigned char lo = 0x80, hi = 0xBF;
    if (c >= 0xC2 && c <= 0xDF)
        n = 2;
    else if (c >= 0xE0 && c <= 0xEF) {
        n = 3;
        lo = c == 0xE0 ? 0xA0 : 0x80;
        hi = c == 0xED ? 0x9F : 0xBF;
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4;
        lo = c == 0xF0 ? 0x90 : 0x80;
        hi = c == 0xF4 ? 0x8F : 0xBF;
    } else
        return 0;
    if (i + n > s.size() || b(i + 1) < lo || b(i + 1) > hi)
        return 0;
    for (std::size_t k = 2; k < n; ++k)
        if (b(i + k) < 0x80 || b(i + k) > 0xBF)
            return 0;
    return n;
}

// A lone low surrogate of the kept range; one after a high surrogate is
// half of a character beyond U+FFFF.
bool isKeptByte(const QString& s, qsizetype i)
{
    const char16_t u = s.at(i).unicode();
    return u >= kKeptByteBase + 0x80 && u <= kKeptByteBase + 0xFF && !(i > 0 && s.at(i - 1).isHighSurrogate());
}

} // namespace

QString fromLocalPath(std::string_view bytes)
{
    QString out;
    out.reserve(static_cast<qsizetype>(bytes.size()));
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t n = sequenceAt(bytes, i);
        if (n == 0) {
            out += QChar(static_cast<char16_t>(kKeptByteBase + static_cast<unsigned char>(bytes[i])));
            ++i;
            continue;
        }
        out += QString::fromUtf8(bytes.data() + i, static_cast<qsizetype>(n));
        i += n;
    }
    return out;
}

std::string localPath(const QString& path)
{
    std::string out;
    qsizetype from = 0;
    auto flush = [&](qsizetype to) {
        if (to > from)
            out += path.mid(from, to - from).toStdString();
    };
    for (qsizetype i = 0; i < path.size(); ++i) {
        if (!isKeptByte(path, i))
            continue;
        flush(i);
        out += static_cast<char>(path.at(i).unicode() - kKeptByteBase);
        from = i + 1;
    }
    flush(path.size());
    return out;
}

QString displayPath(const QString& path)
{
    QString out = path;
    for (qsizetype i = 0; i < out.size(); ++i)
        if (isKeptByte(path, i))
            out[i] = QChar(QChar::ReplacementCharacter);
    return out;
}

} // namespace vx
