#pragma once
// What the window tests share: scripted answers to the windows' questions
// and a generated recording.

#include "mainview/MainWindow.h"
#include "platform/Dialogs.h"
#include "support/SoundFiles.h"

#include <QApplication>
#include <QList>
#include <QTest>

#include <cmath>
#include <string>
#include <vector>

namespace vxtest {

class ScriptedDialogs : public vx::Dialogs {
public:
    QStringList openFiles(QWidget*) override { return toOpen; }
    QString saveFile(QWidget*, const QString& proposed, const QString& extension) override
    {
        proposals << proposed;
        extensions << extension;
        return saveAnswer;
    }
    vx::SaveChoice askSaveChanges(QWidget*, const QString& name) override
    {
        asked << name;
        return saveChoice;
    }
    void showError(QWidget*, const QString& title, const QString& message, const QString& informative) override
    {
        errors << title + ": " + message + " " + informative;
    }
    int chooseChannel(const std::vector<std::string>&) override { return 0; }
    int alert(const vx::AlertSpec& a) override
    {
        alerts << QString::fromStdString(a.title);
        return alertAnswers.isEmpty() ? 1 : alertAnswers.takeFirst();
    }

    QStringList toOpen, proposals, extensions, asked, errors, alerts;
    QList<int> alertAnswers;
    QString saveAnswer;
    vx::SaveChoice saveChoice = vx::SaveChoice::Cancel;
};

// A 2-second 10 kHz recording: a 150 Hz pulse-like tone, loud then quiet.
inline std::string makeRecording()
{
    std::vector<std::int16_t> s(20000);
    for (int i = 0; i < 20000; ++i) {
        const double phase = std::fmod(i * 150.0 / 10000, 1.0);
        s[static_cast<std::size_t>(i)] = static_cast<std::int16_t>((i < 12000 ? 12000 : 3000) * (phase < 0.1 ? 1 : -0.1));
    }
    const std::string path = vxtest::tempPath("speech.wav");
    vxtest::writeBytes(path, vxtest::makeWave(s, 1, 10000));
    return path;
}

inline void waitForAnalysis(vx::MainWindow& w)
{
    for (int i = 0; i < 500 && w.view().busy(); ++i)
        QTest::qWait(10);
    QApplication::processEvents();
}

} // namespace vxtest
