#include "gui/mainview/RecordingController.h"

#include "app/AppState.h"
#include "document/RecordedFile.h"
#include "gui/app/SoundController.h"
#include "platform/Paths.h"

#include <QTimer>

namespace vx {

RecordingController::RecordingController(DocumentSession& session, SoundController& sound, MainViewModel& model)
    : m_session(session), m_sound(sound), m_model(model)
{
    connect(&sound, &SoundController::recordingTick, this, [this](QObject* owner) {
        if (owner != this)
            return;
        m_dSeconds = m_sound.recordedSeconds();
        emit tick();
    });
}

RecordingController::~RecordingController()
{
    m_sound.release(this);
}

std::string RecordingController::recordingPath()
{
    const std::string folder = processTempFolder();
    return folder.empty() ? std::string() : folder + "/$$$recTemp001.wav";
}

BlockLevels RecordingController::latestLevels() const
{
    return m_bRecording ? m_sound.latestLevels() : BlockLevels{};
}

QString RecordingController::start()
{
    if (m_bRecording)
        return {};
    m_session.stopReaders();
    try {
        m_sound.startRecording(this, recordingPath(), app().g_nRecordSampleRate);
    } catch (const RecorderError& e) {
        return QString::fromUtf8(e.what());
    }
    // The document's labels and selection go only now that a recording is
    // really under way.
    Document& d = m_model.doc();
    for (int k = 0; k < Document::kNumChannels; ++k) {
        Channels& c = d.getChannel(k);
        c.RemoveAllLabels();
        for (int i = 0; i < Channels::kNumTiers; ++i)
            c.Tier_RemoveLabelAll(i);
    }
    m_model.m_bLabelMode = false;
    m_model.ClearSelection();
    m_model.CalibrateScroll(ZoomCode::Home);
    m_model.m_bRedraw = true;
    m_dSeconds = 0;
    m_bRecording = true;
    emit stateChanged();
    m_session.labelsEdited(this);
    m_session.selectionEdited(this);
    return {};
}

void RecordingController::stopByClick()
{
    if (!m_bRecording)
        return;
    m_bRecording = false;
    QString writeError;
    try {
        m_sound.stopRecording();
    } catch (const RecorderError& e) {
        writeError = QString::fromUtf8(e.what());
    }
    emit stateChanged();
    // The recording is loaded once the click has been handled.
    QTimer::singleShot(100, this, [this, writeError] { load(writeError); });
}

void RecordingController::load(const QString& writeError)
{
    std::string reason;
    const bool ok = m_session.changeSamples([&](Document& d) {
        return Read_RecordedFile(d, recordingPath(), &reason) == 0 && d.m_bHaveData;
    });
    if (!ok) {
        m_model.m_bRedraw = true;
        emit failed(tr("Error in recording"), tr("Temp file could not be read."),
                    writeError.isEmpty() ? QString::fromStdString(reason) : writeError);
        return;
    }
    emit loaded();
    if (!writeError.isEmpty())
        emit failed(tr("Error in recording"), tr("The recording is incomplete."), writeError);
}

} // namespace vx
