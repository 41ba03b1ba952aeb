#include "gui/mainview/PlaybackController.h"

#include "gui/app/SoundController.h"

namespace vx {

PlaybackController::PlaybackController(DocumentSession& session, SoundController& sound, MainViewModel& model)
    : m_session(session), m_sound(sound), m_model(model)
{
    connect(&sound, &SoundController::playbackTick, this, [this](QObject* owner) {
        if (owner != this)
            return;
        m_dAnimatenanoSeconds = m_sound.playedNanoseconds();
        emit tick();
    });
    connect(&sound, &SoundController::playbackStopped, this, [this](QObject* owner) {
        if (owner != this)
            return;
        m_bPlaying = false;
        emit stateChanged();
    });
    m_session.addReader(this);
}

PlaybackController::~PlaybackController()
{
    m_session.removeReader(this);
    m_sound.release(this);
}

QString PlaybackController::play(PlayCode code)
{
    m_dAnimatenanoSeconds = 0;
    if (m_sound.isPlaying()) {
        m_sound.stopPlay();
        return {};
    }
    const Channels& c = m_model.doc().getChannel(0);
    if (!m_model.doc().m_bHaveData || c.m_hData.size() == 0)
        return {};
    const PlayStretch stretch = playStretch(c, code);
    // An empty stretch is over before it starts.
    if (stretch.count < 1)
        return {};
    const QString error = m_sound.startPlay(this, c.m_hData.data(), stretch.count, stretch.first, c.m_dSampleRate);
    if (!error.isEmpty())
        return error;
    m_playFirst = stretch.first;
    m_bPlaying = true;
    emit stateChanged();
    return {};
}

QString PlaybackController::playSelectionOrWindow()
{
    const Channels& c = m_model.doc().getChannel(0);
    const bool selection = m_model.m_bHaveSelection && c.m_dDurationFile >= 1;
    return play(selection ? PlayCode::Selection : PlayCode::Window);
}

void PlaybackController::stop()
{
    if (m_sound.playOwner() == this)
        m_sound.stopPlay();
}

} // namespace vx
