#pragma once
// What the window tests share: scripted answers to the windows' questions,
// a simulated sound system and generated recordings.

#include "app/AppState.h"
#include "gui/FakeSound.h"
#include "gui/app/DocumentController.h"
#include "gui/app/DocumentSession.h"
#include "gui/mainview/MainWindow.h"
#include "gui/platform/Dialogs.h"
#include "support/SoundFiles.h"
#include "support/Synthesis.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QList>
#include <QMouseEvent>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vxtest {

class ScriptedDialogs : public vx::Dialogs {
public:
    QStringList openFiles(QWidget*) override { return toOpen; }
    QString openLabelFile(QWidget*) override { return toOpen.value(0); }
    QString openLogFile(QWidget*) override { return toOpen.value(0); }
    QString openConfigurationFile(QWidget*) override { return toOpen.value(0); }
    QString savePictureFile(QWidget*, const QString& proposed) override
    {
        proposals << proposed;
        return saveAnswer;
    }
    QString saveFile(QWidget*, const QString& proposed, const QString&) override
    {
        proposals << proposed;
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
        alertMessages << QString::fromStdString(a.message);
        return alertAnswers.isEmpty() ? 1 : alertAnswers.takeFirst();
    }
    // The script works a modal dialog's controls; without one it is cancelled.
    int runModal(QDialog& dialog) override
    {
        if (!modalScript)
            return 0;
        modalScript(dialog);
        return dialog.result();
    }
    std::optional<QFont> chooseFont(QWidget*, const QFont&) override { return fontAnswer; }

    QStringList toOpen, proposals, asked, errors, alerts, alertMessages;
    std::function<void(QDialog&)> modalScript;
    std::optional<QFont> fontAnswer;
    QList<int> alertAnswers;
    QString saveAnswer;
    vx::SaveChoice saveChoice = vx::SaveChoice::Cancel;
};

// A mono WAVE file of y (full scale 1) at `rate`.
inline std::string writeSignal(const std::vector<double>& y, int rate, const char* name)
{
    std::vector<std::int16_t> s(y.size());
    for (std::size_t n = 0; n < y.size(); ++n)
        s[n] = static_cast<std::int16_t>(std::lround(std::clamp(y[n], -1.0, 1.0) * 30000));
    const std::string path = tempPath(name);
    writeBytes(path, makeWave(s, 1, rate));
    return path;
}

// A 2-second 10 kHz recording: a 150 Hz pulse-like tone, loud then quiet.
inline std::string makeRecording()
{
    std::vector<double> y(20000);
    for (std::size_t i = 0; i < y.size(); ++i)
        y[i] = (i < 12000 ? 0.4 : 0.1) * (std::fmod(i * 150.0 / 10000, 1.0) < 0.1 ? 1 : -0.1);
    return writeSignal(y, 10000, "speech.wav");
}

// `voiced` samples of a 120 Hz pulse train through resonators at
// `formants`, peaking at `peak`, then digital silence up to `total`.
inline std::string makeVowel(int rate, std::size_t voiced, std::size_t total, const std::vector<Formant>& formants,
                             double peak)
{
    const std::vector<float> v = vowel(voiced, rate, 120, formants, peak);
    std::vector<double> y(v.begin(), v.end());
    y.resize(total, 0.0);
    return writeSignal(y, rate, "vowel.wav");
}

// A mouse event sent to the widget itself, not to whichever window lies on
// top at that place.
inline void sendMouse(QWidget* w, QEvent::Type type, QPointF at, Qt::MouseButtons buttons = Qt::NoButton)
{
    QMouseEvent e(type, at, w->mapToGlobal(at), type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons,
                  Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

// Runs the event loop until `done` holds or `ms` have passed.
inline bool waitUntil(const std::function<bool()>& done, int ms = 20000)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < ms)
        QTest::qWait(5);
    return done();
}

// Fails the test (fatally) when the window's analysis does not finish.
inline void waitForAnalysis(vx::MainWindow& w)
{
    ASSERT_TRUE(waitUntil([&] { return !w.view().busy(); })) << "the analysis did not finish";
    QApplication::processEvents();
}

// A window on recording() (none where it gives no path), opened through the
// document controller, shown and analysed; closed without saving after.
class WindowTest : public ::testing::Test {
protected:
    virtual std::string recording() { return makeRecording(); }
    void SetUp() override
    {
        vx::resetAppState();
        vx::applicationWillFinishLaunching();
        controller.sound().setBackendFactory([this] { return std::make_unique<FakeBackend>(fake); });
        if (const std::string file = recording(); !file.empty()) {
            ASSERT_NO_FATAL_FAILURE(open(file));
        }
    }
    void open(const std::string& file)
    {
        path = file;
        window = controller.openFile(QString::fromStdString(path));
        ASSERT_NE(window, nullptr) << dialogs.errors.join("\n").toStdString();
        window->resize(845, 400);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
        ASSERT_NO_FATAL_FAILURE(waitForAnalysis(*window));
    }
    void TearDown() override
    {
        dialogs.saveChoice = vx::SaveChoice::Discard;
        controller.closeAll();
        QApplication::processEvents();
    }
    vx::MainView& view() { return window->view(); }
    vx::DocumentSession& session() { return window->session(); }
    vx::Channels& channel() { return window->model().doc().getChannel(0); }
    // The view x of a time on the page shown.
    int xOf(double ms)
    {
        const auto& m = window->model();
        return static_cast<int>(50 + (ms - m.m_dTimePageMin) * m.geometry().dataArea.width() /
                                         (m.m_dTimePageMax - m.m_dTimePageMin));
    }
    std::vector<float> played()
    {
        std::lock_guard<std::mutex> g(fake.lock);
        return fake.played;
    }

    FakeSound fake;
    ScriptedDialogs dialogs;
    vx::DocumentController controller{dialogs};
    std::string path;
    vx::MainWindow* window = nullptr;
};

} // namespace vxtest
