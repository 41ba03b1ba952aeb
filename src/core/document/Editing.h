#pragma once
// Copy, Cut, Paste and Clear on every channel of a document at once, and
// the one level of undo. An undo record holds what an edit removed or
// overwrote and what it inserted where, with every channel's attributes and
// tiers as they were, never the whole recording: its size grows with the
// edited range.

#include "document/Document.h"

#include <array>
#include <cstddef>
#include <string>
#include <vector>

namespace vx {

// The application-wide clipboard of Copy: the copied stretch of every
// channel, its attributes, and the labels of its shown tiers with times
// relative to the stretch's start.
struct Clipboard {
    bool hasData = false;
    int channelCount = 0;
    int fileFormat = -1;
    std::vector<Channels> channels;
};

class UndoRecord {
public:
    bool empty() const { return m_channels.empty() && !m_labelsOnly; }
    // Bytes the record holds for samples.
    std::size_t sampleBytes() const;

private:
    friend class Editor;
    struct ChannelChange {
        long position = 0;           // first sample the edit touched
        long inserted = 0;           // samples the edit put there
        std::vector<float> removed;  // samples it took away or overwrote
        Channels before;             // attributes and tiers, without samples
    };
    std::vector<ChannelChange> m_channels;
    // A record of channel 0's tiers alone (a label import).
    bool m_labelsOnly = false;
    std::array<TIERS, Channels::kNumTiers> m_tiers{};
    int m_channelCount = 0;
    bool m_haveData = false, m_haveSelection = false, m_haveMarker = false;
    double m_analysisLengthMs = 0, m_analysisFileLength = 0;
};

enum class PasteRefusal { none, channelCount, sampleRate };

// The alert texts of a refused paste.
const char* pasteRefusalText(PasteRefusal r);

class Editor {
public:
    // Fills the clipboard from channel 0's selection, on every channel.
    static void copy(const Document& d, Clipboard& clipboard);

    static PasteRefusal pasteRefusal(const Document& d, const Clipboard& clipboard);

    // Each edit first makes its undo record (with `undo` set) and changes
    // nothing if that throws (std::bad_alloc); it returns the record. Lengths
    // in ms are computed from the sample count and the rate.
    //
    // Cut removes the selection from every channel: labels strictly inside
    // it go, labels at or after its stop move earlier by its length, on
    // every tier. The clipboard is filled first.
    static UndoRecord cut(Document& d, Clipboard& clipboard, bool undo = true);
    // Paste inserts the clipboard at the marker (labels strictly after it
    // move later), or in place of the selection (cut first, then inserted at
    // its start), or fills a document without data (no undo: the record is
    // empty). The caller checks pasteRefusal first.
    static UndoRecord paste(Document& d, const Clipboard& clipboard, bool undo = true);
    // Clear sets the selection of every channel to its reference level.
    static UndoRecord clear(Document& d, bool undo = true);
    // Reference gain on channel 0: each sample x becomes v + gain·v/100
    // with v = x + reference, each step rounded to float.
    static UndoRecord referenceGain(Document& d, double reference, double gainPercent, bool undo = true);

    // The tiers of channel 0 as they are, for a change of labels alone.
    static UndoRecord labels(const Document& d);

    // Puts the document back as it was before the edit of the record.
    static void undo(Document& d, UndoRecord&& record);

private:
    static void snapshot(const Document& d, UndoRecord& r);
    // Records that the edit of channel c takes samples [first, end) away
    // and puts `inserted` samples at first.
    static void keep(UndoRecord& r, Channels& c, long first, long end, long inserted);
    // The record of an edit of every channel's selection: the selection
    // taken away (a cut) or overwritten in place.
    static UndoRecord keepSelections(Document& d, bool overwritten);
};

} // namespace vx
