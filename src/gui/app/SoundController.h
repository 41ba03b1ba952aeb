#pragma once
// The application's one player and one recorder. The play and record
// commands of every window go through here; the window that started a
// playback or recording owns it and hears about its progress and end.

#include "audio/AudioDevice.h"
#include "audio/AudioPlayer.h"
#include "audio/AudioRecorder.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>

namespace vx {

class SoundController : public QObject {
    Q_OBJECT

public:
    using BackendFactory = std::function<std::unique_ptr<AudioBackend>()>;

    SoundController();
    ~SoundController() override;

    // The sound system used from the next playback or recording on.
    void setBackendFactory(BackendFactory factory);

    bool isPlaying() const { return m_player != nullptr; }
    const QObject* playOwner() const { return m_playOwner; }
    // Plays `count` samples from index `first`. Empty on success, else why
    // playback could not start. The samples must stay unchanged until the
    // owner hears playbackStopped or calls release.
    QString startPlay(QObject* owner, const float* samples, double count, double first, double rate);
    // Ends playback and tells its owner (playbackStopped).
    void stopPlay();
    double playedNanoseconds() const;

    bool isRecording() const { return m_recorder && m_recorder->isRecording(); }
    const QObject* recordOwner() const { return m_recordOwner; }
    // Throw RecorderError.
    void startRecording(QObject* owner, const std::string& path, double rate);
    void stopRecording();
    double recordedSeconds() const { return m_recorder ? m_recorder->seconds() : 0; }
    BlockLevels latestLevels() const { return m_recorder ? m_recorder->latestLevels() : BlockLevels{}; }

    // Ends whatever `owner` started without telling it: it is going away.
    void release(QObject* owner);

signals:
    // Every 50 ms while playing, and once when playback ends.
    void playbackTick(QObject* owner);
    void playbackStopped(QObject* owner);
    // Every 100 ms while recording.
    void recordingTick(QObject* owner);

private:
    AudioBackend& backend();
    // Drops the sound system when nothing uses it, so that the next command
    // looks for devices again (one may have been plugged in).
    void dropBackendIfIdle();

    BackendFactory m_factory;
    std::unique_ptr<AudioBackend> m_backend;
    std::unique_ptr<AudioPlayer> m_player;
    std::unique_ptr<AudioRecorder> m_recorder;
    QObject* m_playOwner = nullptr;
    QObject* m_recordOwner = nullptr;
    QTimer m_playTimer;
    QTimer m_recordTimer;
};

} // namespace vx
