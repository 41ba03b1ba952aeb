#include "draw/ViewFonts.h"

#include <QFontMetricsF>

#include <algorithm>
#include <cmath>

namespace vx {

QFont viewFont(double pixels)
{
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(std::max(1, static_cast<int>(std::lround(pixels))));
    return f;
}

QFont labelFont(const LabelFont& font)
{
    QFont f(QString::fromStdString(font.family));
    f.setPixelSize(std::max(1, static_cast<int>(std::lround(font.pointSize * 96.0 / 72.0))));
    f.setBold(font.weight > 8);
    f.setItalic(font.italic);
    return f;
}

void installTextMeasurer()
{
    setTextMeasurer([](const std::string& text, const LabelFont& font) {
        const QFontMetricsF fm(labelFont(font));
        return TextSize{fm.horizontalAdvance(QString::fromStdString(text)), fm.height()};
    });
}

} // namespace vx
