#include "mainview/SoundDisplay.h"

#include <algorithm>
#include <cmath>

namespace vx {

PlayStretch playStretch(const Channels& c, PlayCode code)
{
    PlayStretch s;
    switch (code) {
    case PlayCode::WholeFile: s = {0, c.m_dwFileLength}; break;
    case PlayCode::Selection: s = {c.m_dDurationStartFile, c.m_dDurationFile}; break;
    case PlayCode::Window: s = {c.m_dPageMin, c.m_dPageSize}; break;
    }
    const double have = static_cast<double>(c.m_hData.size());
    s.first = std::clamp(std::trunc(s.first), 0.0, have);
    s.count = std::clamp(std::trunc(s.count), 0.0, have - s.first);
    return s;
}

double playCursorX(Channels& c, const Rect& dataArea, double first, double playedNs)
{
    const double startMs = c.m_dSampleRate > 0 ? first * 1000.0 / c.m_dSampleRate : 0;
    return c.GetCursorPixelforTime(startMs + playedNs * 1e-6, dataArea.width()) + dataArea.left;
}

LevelBar nextLevelBar(double previousX, bool haveBlock, float min, float max, double frameWidth,
                      double frameHeight)
{
    LevelBar bar;
    // Without a block the range stays at the scan's starting values.
    const double range = haveBlock ? double(max) - double(min) : -1e9 - 1e9;
    bar.red = range > 0.9;
    bar.x = previousX + 2;
    if (bar.x > frameWidth)
        bar.x = 1;
    double h = range * frameHeight / 2;
    if (h < 1)
        h = 10;
    bar.height = std::min(h, frameHeight / 2);
    bar.y = frameHeight / 2 - bar.height / 2;
    return bar;
}

} // namespace vx
