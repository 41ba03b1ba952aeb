#include "gui/app/SoundController.h"

namespace vx {

SoundController::SoundController() : m_factory([] { return makePortAudioBackend(); })
{
    m_playTimer.setInterval(50);
    connect(&m_playTimer, &QTimer::timeout, this, [this] {
        if (!m_player)
            return;
        emit playbackTick(m_playOwner);
        if (m_player && m_player->finished())
            stopPlay();
    });
    m_recordTimer.setInterval(100);
    connect(&m_recordTimer, &QTimer::timeout, this, [this] {
        if (isRecording())
            emit recordingTick(m_recordOwner);
    });
}

SoundController::~SoundController()
{
    m_player.reset();
    m_recorder.reset();
}

void SoundController::setBackendFactory(BackendFactory factory)
{
    m_factory = std::move(factory);
    dropBackendIfIdle();
}

AudioBackend& SoundController::backend()
{
    if (!m_backend)
        m_backend = m_factory();
    return *m_backend;
}

void SoundController::dropBackendIfIdle()
{
    if (!m_player && !m_recorder)
        m_backend.reset();
}

QString SoundController::startPlay(QObject* owner, const float* samples, double count, double first, double rate)
{
    stopPlay();
    auto player = std::make_unique<AudioPlayer>(backend());
    player->setData(samples, count, first);
    player->setSampleRate(rate);
    if (std::string error = player->startPlay(); !error.empty()) {
        player.reset();
        dropBackendIfIdle();
        return QString::fromStdString(error);
    }
    m_player = std::move(player);
    m_playOwner = owner;
    m_playTimer.start();
    return {};
}

void SoundController::stopPlay()
{
    if (!m_player)
        return;
    m_playTimer.stop();
    m_player.reset();
    QObject* owner = m_playOwner;
    m_playOwner = nullptr;
    emit playbackStopped(owner);
}

double SoundController::playedNanoseconds() const
{
    return m_player ? m_player->playedNanoseconds() : 0;
}

void SoundController::startRecording(QObject* owner, const std::string& path, double rate)
{
    if (isRecording())
        throw RecorderError("ZUSoundFileRecorderCantStart", "Another window is recording. Stop that recording first.");
    m_recorder = std::make_unique<AudioRecorder>(backend());
    m_recorder->setOutputFilePath(path);
    m_recorder->setSampleRate(rate);
    try {
        m_recorder->start();
    } catch (...) {
        m_recorder.reset();
        dropBackendIfIdle();
        throw;
    }
    m_recordOwner = owner;
    m_recordTimer.start();
}

void SoundController::stopRecording()
{
    if (!m_recorder)
        return;
    m_recordTimer.stop();
    m_recordOwner = nullptr;
    std::unique_ptr<AudioRecorder> recorder = std::move(m_recorder);
    recorder->stop();
}

void SoundController::release(QObject* owner)
{
    if (m_player && m_playOwner == owner) {
        m_playOwner = nullptr; // told to no one
        stopPlay();
    }
    if (m_recorder && m_recordOwner == owner) {
        try {
            stopRecording();
        } catch (const RecorderError&) {
            // The window that would have loaded the recording is gone.
        }
    }
}

} // namespace vx
