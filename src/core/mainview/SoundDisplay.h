#pragma once
// What the main view shows of playback and recording: the stretch a play
// command plays, the play cursor's column, and the recording screen's
// level bar.

#include "model/Channels.h"

namespace vx {

enum class PlayCode { WholeFile = 0, Selection = 1, Window = 2 };

struct PlayStretch {
    double first = 0; // index of the first sample
    double count = 0; // number of samples, within the channel's samples
};

PlayStretch playStretch(const Channels& c, PlayCode code);

// The view column of the play cursor `playedNs` nanoseconds into a stretch
// that starts at sample `first` of channel c, in a view showing the page
// over dataArea.
double playCursorX(Channels& c, const Rect& dataArea, double first, double playedNs);

struct LevelBar {
    double x = 0, y = 0, width = 2, height = 10;
    bool red = false;
};

// The bar of the next display, one step right of the previous bar's x (0
// before the first display), for the latest block's lowest and highest
// sample (`haveBlock` false before the first block arrives).
LevelBar nextLevelBar(double previousX, bool haveBlock, float min, float max, double frameWidth,
                      double frameHeight);

} // namespace vx
