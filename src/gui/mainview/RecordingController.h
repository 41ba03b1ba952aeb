#pragma once
// Recording into a main view's document through the application's one
// recorder: start (which takes the document's labels and selection away
// once recording is really under way), stop by a click, and the load of the
// finished recording through the session's gate for changed samples.

#include "gui/app/DocumentSession.h"
#include "audio/AudioRecorder.h"
#include "mainview/MainViewModel.h"

#include <QObject>
#include <QString>

#include <string>

namespace vx {

class SoundController;

class RecordingController : public QObject {
    Q_OBJECT

public:
    RecordingController(DocumentSession& session, SoundController& sound, MainViewModel& model);
    ~RecordingController() override;

    // Empty when recording started, else why it did not.
    QString start();
    // Stops the recording; the file is loaded 0.1 s later.
    void stopByClick();
    bool recording() const { return m_bRecording; }
    double seconds() const { return m_dSeconds; }
    BlockLevels latestLevels() const;

    // Where recordings are written.
    static std::string recordingPath();

signals:
    // Every 100 ms while recording.
    void tick();
    void stateChanged();
    // The recording replaced the document's samples.
    void loaded();
    void failed(const QString& title, const QString& message, const QString& informative);

private:
    void load(const QString& writeError);

    DocumentSession& m_session;
    SoundController& m_sound;
    MainViewModel& m_model;
    bool m_bRecording = false;
    double m_dSeconds = 0;
};

} // namespace vx
