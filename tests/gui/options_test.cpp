// The option groups: every field's limits alike in a panel, a configuration file
// and on the command line; the panels' worked cases; the configuration commands.

#include "app/ConfigFile.h"
#include "app/Options.h"
#include "gui/app/OptionPanel.h"
#include "gui/GuiSupport.h"
#include "platform/ByteReader.h"
#include "platform/FileIO.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include <cmath>
#include <filesystem>
#include <map>

using namespace vx;
using namespace vxtest;

namespace {

// Each test starts from a settings file of defaults and leaves none behind.
class Options : public WindowTest {
protected:
    void SetUp() override
    {
        std::filesystem::remove_all(std::getenv("VOXTRACE_CONFIG_DIR"));
        WindowTest::SetUp();
    }
    void TearDown() override
    {
        WindowTest::TearDown();
        std::filesystem::remove_all(std::getenv("VOXTRACE_CONFIG_DIR"));
    }
    Document& doc() { return window->session().doc(); }
    double rate() { return doc().s.m_dAnalysisSampleRate; }
    static auto settingsFile() { return readWholeFile(legacyConfigPath()).value_or(std::vector<std::uint8_t>()); }
};

// The command line's option for a field, where it has one.
const std::map<std::string, std::string>& cliOptions()
{
    static const std::map<std::string, std::string> m = {
        {"m_dPitchWindowLength", "pitch --window-ms"},     {"m_dPitchStepSize", "pitch --step-ms"},
        {"m_dPitchCalculationLow", "pitch --low"},         {"m_dPitchCalculationHigh", "pitch --high"},
        {"m_dFreqDeviation", "pitch --deviation"},         {"m_dTrackingThreshHold", "pitch --threshold"},
        {"m_dIntensityWindowLengthMS", "intensity --window-ms"}, {"m_dIntensityStepSizeMS", "intensity --step-ms"},
        {"m_nLPCNumberofCoefficients", "formants --order"},
    };
    return m;
}

} // namespace

TEST_F(Options, EveryFieldsLimitsHoldAlikeInThePanelTheFileAndTheCommandLine)
{
    int tried = 0;
    for (int gi = 0; gi < kOptionGroupCount; ++gi) {
        const auto g = static_cast<OptionGroup>(gi);
        const auto fields = optionFields(g);
        for (std::size_t k = 0; k < fields.size(); ++k) {
            const OptionField& f = fields[k];
            if (f.kind != FieldKind::Whole && f.kind != FieldKind::Real)
                continue;
            // Its ends, just inside and past them, not a number.
            const double step = f.kind == FieldKind::Whole ? (f.even ? 2 : 1) : 0.5;
            for (const double value : {f.low, f.low + step, f.high, f.low - step, f.high + step, std::nan("")}) {
                SCOPED_TRACE(std::string(f.name) + " = " + std::to_string(value));
                OptionValues v = readOptions(g, doc());
                v[k] = value;
                const bool valid = !checkOptions(g, v, rate());
                const QString text = std::isnan(value) ? QStringLiteral("nan") : QString::number(value, 'g', 12);
                ++tried;

                // The panel, where the field has a control (the spectrogram's
                // order it stores even and at most 400: the worked cases).
                if (f.shown() && std::string(f.name) != "m_nSpecLPCNumberofCoefficients") {
                    OptionPanel panel(g, rate(), dialogs, window);
                    panel.setup(readOptions(g, doc()));
                    if (auto* edit = qobject_cast<QLineEdit*>(panel.control(f.name)))
                        edit->setText(text);
                    panel.ok().click();
                    EXPECT_EQ(panel.QDialog::result() == QDialog::Accepted, valid) << panel.message().toStdString();
                    EXPECT_TRUE(valid || !dialogs.alerts.isEmpty() || panel.message().startsWith(optionGroupName(g)))
                        << panel.message().toStdString();
                    dialogs.alerts.clear();
                }
                // A configuration file holding it: its rate-free limits (no log step).
                if (f.offset >= 0 && f.offset != 2248 && (f.recordDouble || value == std::trunc(value))) {
                    ConfigRecord r = buildUserConfiguration(doc());
                    if (f.recordDouble)
                        putF64le(r.data() + f.offset, value);
                    else
                        putU32le(r.data() + f.offset, static_cast<std::uint32_t>(static_cast<std::int32_t>(value)));
                    Document fresh(StartingSettings::defaultsOnly);
                    std::string why;
                    EXPECT_EQ(loadUserConfiguration(fresh, r, &why), !checkOptions(g, v, 0)) << why;
                }
                // The command line, where an option sets it.
                if (const auto it = cliOptions().find(f.name); it != cliOptions().end() && !std::isnan(value)) {
                    const Output o = runCli(it->second + " " + text.toStdString() + " " + q(path) + " >/dev/null");
                    EXPECT_EQ(o.status == 0, valid) << o.err;
                    if (!valid) {
                        EXPECT_NE(o.err.find(checkOptions(g, v, rate())->message), std::string::npos) << o.err;
                    }
                }
            }
        }
    }
    EXPECT_GT(tried, 200);
}

TEST_F(Options, ThePanelsWorkedCasesAt11025Hz)
{
    doc().s.m_dAnalysisSampleRate = 11025;
    // The 64-point window holds 5 ms at 11025 Hz; 6 is corrected to 5.
    OptionPanel fft(OptionGroup::FFTLPC, 11025, dialogs, window);
    fft.setup(readOptions(OptionGroup::FFTLPC, doc()));
    auto* lengths = static_cast<QComboBox*>(fft.control("m_nFFTWindowLengthSelector"));
    lengths->setCurrentIndex(1);
    emit lengths->activated(1);
    auto* applied = static_cast<QLineEdit*>(fft.control("m_nFFTAppliedWindowLength"));
    EXPECT_EQ(applied->text(), "5") << "choosing the window fills in its longest";
    applied->setText("6");
    fft.ok().click();
    EXPECT_EQ(dialogs.alerts.value(0), "Applied window length is larger than allowed.");
    EXPECT_EQ(applied->text(), "5") << "Correct it restores the longest";
    // 5600 Hz is above half the rate; 5500 is not.
    auto* range = static_cast<QLineEdit*>(fft.control("m_nFFTfrequencyRange"));
    range->setText("5600");
    fft.ok().click();
    EXPECT_EQ(dialogs.alerts.value(1), "Frequency range is larger than allowed.");
    EXPECT_EQ(range->text(), "5000");
    range->setText("5500");
    fft.ok().click();
    EXPECT_EQ(fft.QDialog::result(), QDialog::Accepted);
    EXPECT_EQ(fft.chosen().at(static_cast<std::size_t>(optionIndex(OptionGroup::FFTLPC, "m_nFFTWindowLength"))), 64);
    // At 96 kHz the 32- and 64-point windows hold no whole millisecond: not offered.
    OptionPanel fast(OptionGroup::FFTLPC, 96000, dialogs, window);
    const auto* offered = static_cast<QComboBox*>(fast.control("m_nFFTWindowLengthSelector"))->model();
    EXPECT_FALSE(offered->flags(offered->index(1, 0)).testFlag(Qt::ItemIsEnabled));
    EXPECT_TRUE(offered->flags(offered->index(2, 0)).testFlag(Qt::ItemIsEnabled));

    OptionPanel spectrogram(OptionGroup::Spectrogram, 11025, dialogs, window);
    spectrogram.setup(readOptions(OptionGroup::Spectrogram, doc()));
    static_cast<QLineEdit*>(spectrogram.control("m_nSpecfrequencyRange"))->setText("5500");
    spectrogram.ok().click();
    EXPECT_NE(spectrogram.QDialog::result(), QDialog::Accepted) << "the spectrogram's range ends at 5000 Hz";
    const auto order = static_cast<std::size_t>(optionIndex(OptionGroup::Spectrogram, "m_nSpecLPCNumberofCoefficients"));
    for (auto [typed, stored] : {std::pair{"401", 400}, std::pair{"27", 26}}) {
        spectrogram.setup(readOptions(OptionGroup::Spectrogram, doc()));
        static_cast<QLineEdit*>(spectrogram.control("m_nSpecLPCNumberofCoefficients"))->setText(typed);
        spectrogram.ok().click();
        EXPECT_EQ(spectrogram.chosen()[order], stored) << spectrogram.message().toStdString();
    }

    // The Default buttons' values differ from a new document's.
    OptionPanel pitch(OptionGroup::Pitch, 11025, dialogs, window);
    pitch.setup(readOptions(OptionGroup::Pitch, doc()));
    pitch.defaults()->click();
    EXPECT_EQ(static_cast<QLineEdit*>(pitch.control("m_nPitchFreqGrid"))->text(), "50");
}

TEST_F(Options, OkWritesItsGroupToTheSettingsFileAndLaterDocumentsTakeItAndTheRecordRateIsForAnEmptyDocument)
{
    const struct {
        Command command;
        OptionGroup group;
        const char* field;
        const char* typed;
        double expected;
    } rows[] = {
        {Command::OptionsFFTLPC, OptionGroup::FFTLPC, "m_nFFTAverageStepSize", "33", 33},
        {Command::OptionsSpectrogram, OptionGroup::Spectrogram, "m_nSpecDynamicRange", "70", 70},
        {Command::OptionsPitch, OptionGroup::Pitch, "m_dPitchWindowLength", "40", 40},
        {Command::OptionsZoom, OptionGroup::Zoom, "m_dZoomRange", "2500", 2500},
        {Command::OptionsLog, OptionGroup::Log, "m_dLogStepSize", "3", 3},
    };
    ASSERT_TRUE(window->model().pitch().has_value());
    ASSERT_EQ(window->model().pitch()->windowMs, 35) << "a new document's window";
    for (const auto& row : rows) {
        SCOPED_TRACE(row.field);
        const auto before = settingsFile();
        ASSERT_EQ(before.size(), kConfigRecordSize);
        dialogs.modalScript = [&](QDialog& d) {
            auto& panel = static_cast<OptionPanel&>(d);
            static_cast<QLineEdit*>(panel.control(row.field))->setText(row.typed);
            panel.ok().click();
        };
        ASSERT_TRUE(window->menus().trigger(row.command));
        const std::size_t k = static_cast<std::size_t>(optionIndex(row.group, row.field));
        EXPECT_EQ(readOptions(row.group, doc())[k], row.expected) << "the document has it at once";
        // (Which bytes of the file a group writes is the core's test.)
        const bool written = row.group != OptionGroup::Log;
        EXPECT_EQ(settingsFile() != before, written) << "the log panel writes nothing";
        Document later;
        EXPECT_EQ(readOptions(row.group, later)[k] == row.expected, written);
    }
    // Analysis is automatic: the settings' notice has the pitch analysed again.
    ASSERT_TRUE(doc().s.m_bAutoPitchIntensity);
    EXPECT_TRUE(waitUntil([&] { return !view().busy() && window->model().pitch() && window->model().pitch()->windowMs == 40; }));

    // Cancel changes nothing, in the document or the file.
    const OptionValues pitch = readOptions(OptionGroup::Pitch, doc());
    const auto file = settingsFile();
    dialogs.modalScript = [](QDialog& d) {
        auto& panel = static_cast<OptionPanel&>(d);
        static_cast<QLineEdit*>(panel.control("m_dPitchWindowLength"))->setText("90");
        panel.cancel().click();
    };
    window->menus().trigger(Command::OptionsPitch);
    EXPECT_EQ(readOptions(OptionGroup::Pitch, doc()), pitch);
    EXPECT_EQ(settingsFile(), file);

    // A settings file that cannot be written is said.
    ::chmod(app().gAppPath.c_str(), 0500);
    if (::access(app().gAppPath.c_str(), W_OK) != 0) {
        dialogs.modalScript = [](QDialog& d) { static_cast<OptionPanel&>(d).ok().click(); };
        window->menus().trigger(Command::OptionsZoom);
        ASSERT_FALSE(dialogs.errors.isEmpty());
        EXPECT_TRUE(dialogs.errors.back().contains("The configuration could not be saved: ")) << dialogs.errors.back().toStdString();
    }
    ::chmod(app().gAppPath.c_str(), 0700);

    // The record rate is chosen for an empty document only.
    EXPECT_FALSE(window->menus().isEnabled(Command::OptionsRecordPlay)) << "not once the document holds a recording";
    MainWindow* empty = controller.newDocument();
    ASSERT_TRUE(empty->menus().isEnabled(Command::OptionsRecordPlay));
    dialogs.modalScript = [](QDialog& d) {
        auto& panel = static_cast<OptionPanel&>(d);
        auto* rates = static_cast<QComboBox*>(panel.control("g_nRecordSampleRate"));
        EXPECT_EQ(rates->currentText(), "11025");
        rates->setCurrentText("44100");
        panel.ok().click();
    };
    empty->menus().trigger(Command::OptionsRecordPlay);
    EXPECT_EQ(app().g_nRecordSampleRate, 44100) << "(what later documents take from it is the core's test)";
}

TEST_F(Options, RevertToSavedReadsTheFileAgainAndConfigurationsAreSavedLoadedRefusedAndRevertedToDefaults)
{
    EXPECT_FALSE(window->menus().isEnabled(Command::RevertToSaved)) << "nothing to revert yet";
    const float first = channel().m_hData[100];
    window->session().changeSamples([](Document& d) {
        d.getChannel(0).m_hData[100] = 0.75f;
        d.setDirty();
        return true;
    });
    ASSERT_TRUE(window->menus().isEnabled(Command::RevertToSaved));
    dialogs.alertAnswers = {0};
    window->menus().trigger(Command::RevertToSaved);
    EXPECT_EQ(channel().m_hData[100], 0.75f) << "Cancel keeps the changes";
    dialogs.alertAnswers = {1};
    window->menus().trigger(Command::RevertToSaved);
    EXPECT_EQ(channel().m_hData[100], first);
    EXPECT_FALSE(doc().isDocumentEdited());
    EXPECT_TRUE(waitUntil([&] { return !view().busy() && window->model().pitch().has_value(); }));

    doc().s.m_dPitchStepSize = 5;
    dialogs.saveAnswer = QString::fromStdString(tempPath("mine.cfg"));
    ASSERT_TRUE(window->menus().trigger(Command::SaveConfiguration));
    EXPECT_EQ(readWholeFile(dialogs.saveAnswer.toStdString())->size(), kConfigRecordSize);

    // Loaded onto a document of another rate: its values, its own rate.
    doc().s.m_dPitchStepSize = 12;
    ConfigRecord other = buildUserConfiguration(doc());
    putF64le(other.data() + 520, 44100);
    putU32le(other.data() + 600, 22000); // made for 44100 Hz
    const std::string fortyFour = tempPath("44k.cfg");
    ASSERT_TRUE(writeFileAtomically(fortyFour, other));
    dialogs.toOpen = {dialogs.saveAnswer};
    ASSERT_TRUE(window->menus().trigger(Command::LoadConfiguration));
    EXPECT_EQ(doc().s.m_dPitchStepSize, 5);
    dialogs.toOpen = {QString::fromStdString(fortyFour)};
    window->menus().trigger(Command::LoadConfiguration);
    EXPECT_EQ(doc().s.m_dAnalysisSampleRate, 10000) << "the recording's rate stays";
    EXPECT_EQ(doc().s.m_nFFTfrequencyRange, 5000) << "values made for another rate follow this one";

    // A damaged one changes nothing and says which field.
    ConfigRecord damaged = other;
    putF64le(damaged.data() + 1080, 0);
    ASSERT_TRUE(writeFileAtomically(fortyFour, damaged));
    const OptionValues before = readOptions(OptionGroup::Pitch, doc());
    window->menus().trigger(Command::LoadConfiguration);
    EXPECT_EQ(readOptions(OptionGroup::Pitch, doc()), before);
    ASSERT_FALSE(dialogs.errors.isEmpty());
    EXPECT_TRUE(dialogs.errors.back().contains("Pitch options: Step must be from 1 to 20 ms, not 0."));

    // Revert to default: asked; No keeps everything.
    dialogs.alertAnswers = {0};
    window->menus().trigger(Command::RevertToDefaultConfiguration);
    EXPECT_EQ(dialogs.alerts.back(), "Reverting to default configuration");
    EXPECT_TRUE(std::filesystem::exists(legacyConfigPath()));
    EXPECT_EQ(controller.sessions().size(), 1u);
    // Yes: every document is closed first, then the file goes.
    dialogs.alertAnswers = {1};
    dialogs.saveChoice = SaveChoice::Discard;
    window->session().markChanged();
    controller.runCommand(Command::RevertToDefaultConfiguration);
    EXPECT_EQ(dialogs.asked.size(), 1) << "the changed document was asked about";
    EXPECT_FALSE(std::filesystem::exists(legacyConfigPath()));
    QApplication::processEvents();
    EXPECT_TRUE(controller.sessions().empty());
    window = nullptr;
}
