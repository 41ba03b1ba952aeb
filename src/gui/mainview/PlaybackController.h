#pragma once
// Playback of a main view's stretches through the application's one player.
// It reads the document's samples while playing, so it is one of the
// session's sample readers: a change of samples stops it first.

#include "gui/app/DocumentSession.h"
#include "mainview/MainViewModel.h"
#include "mainview/SoundDisplay.h"

#include <QObject>
#include <QString>

namespace vx {

class SoundController;

class PlaybackController : public QObject, public SampleReader {
    Q_OBJECT

public:
    PlaybackController(DocumentSession& session, SoundController& sound, MainViewModel& model);
    ~PlaybackController() override;

    // Plays the stretch of `code`; while anything plays it only stops that.
    // Empty on success (or when there is nothing to play), else why
    // playback could not start.
    QString play(PlayCode code);
    // The selection when there is one, else the visible window.
    QString playSelectionOrWindow();
    void stop();
    bool playing() const { return m_bPlaying; }
    // The first sample played and how far playback has got.
    double playFirst() const { return m_playFirst; }
    double playedNanoseconds() const { return m_dAnimatenanoSeconds; }

    void stopReading() override { stop(); }

signals:
    // Every 50 ms while playing.
    void tick();
    void stateChanged();

private:
    DocumentSession& m_session;
    SoundController& m_sound;
    MainViewModel& m_model;
    bool m_bPlaying = false;
    double m_playFirst = 0;
    double m_dAnimatenanoSeconds = 0;
};

} // namespace vx
