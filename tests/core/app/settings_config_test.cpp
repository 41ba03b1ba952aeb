#include "app/AppState.h"
#include "app/ConfigFile.h"
#include "app/Options.h"
#include "app/Settings.h"
#include "document/Document.h"
#include "platform/ByteReader.h"
#include "platform/FileIO.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <tuple>

using namespace vx;

namespace {

class Config : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetAppState();
        std::filesystem::remove_all(std::getenv("VOXTRACE_CONFIG_DIR"));
    }
    static ConfigRecord legacyFile()
    {
        auto bytes = readWholeFile(legacyConfigPath());
        ConfigRecord r{};
        EXPECT_TRUE(bytes && bytes->size() == kConfigRecordSize);
        if (bytes && bytes->size() == kConfigRecordSize)
            std::copy(bytes->begin(), bytes->end(), r.begin());
        return r;
    }
    static double f64(const ConfigRecord& r, int at) { return ByteReader(std::span(r).subspan(at)).f64le(); }
    static int i32(const ConfigRecord& r, int at) { return ByteReader(std::span(r).subspan(at)).i32le(); }
};

} // namespace

TEST(Settings, RateDependentDefaultsAndRule)
{
    // (rate, applied window, frequency range, LPC orders)
    const std::tuple<double, int, int, int> cases[] = {
        {11025, 23, 5000, 14}, {22050, 11, 11000, 26}, {44100, 5, 22000, 48}, {1000000, 0, 500000, 400}};
    for (const auto& [R, applied, range, lpc] : cases) {
        SCOPED_TRACE(R);
        EXPECT_EQ(makeDefaultSettings(R).m_nSpecfrequencyRange, range);
        Settings loaded = makeDefaultSettings(11025);
        loaded.m_nFFTWindowLength = 1024;
        applyRateRule(loaded, R);
        EXPECT_EQ(loaded.m_nFFTAppliedWindowLength, applied) << "256 samples, whatever the window";
        EXPECT_EQ(loaded.m_nFFTfrequencyRange, range);
        EXPECT_EQ(loaded.m_nLPCNumberofCoefficients, lpc);
        EXPECT_EQ(loaded.m_nSpecLPCNumberofCoefficients, lpc);
        EXPECT_EQ(loaded.m_nFFTWindowLength, 1024);
    }
    Settings absurd = makeDefaultSettings(11025);
    applyRateRule(absurd, 1e300); // from a damaged file header: saturates, never overflows
    EXPECT_EQ(absurd.m_nLPCNumberofCoefficients, 400);
    EXPECT_GT(absurd.m_nSpecLPCNumberofCoefficients, 0);
}

TEST_F(Config, FirstStartUpWritesLegacyDefaultsThatDocumentsTakeAndPanelsUpdateByGroup)
{
    applicationWillFinishLaunching();
    ConfigRecord r = legacyFile();
    EXPECT_STREQ(reinterpret_cast<const char*>(r.data()), "1712");
    EXPECT_EQ(f64(r, 520), 11000.0);
    EXPECT_EQ(i32(r, 600), 5000);
    EXPECT_EQ(i32(r, 664 + 4 * 15), 30);
    EXPECT_STREQ(reinterpret_cast<const char*>(r.data() + 1736 + 32 * 15), "normailzed");
    EXPECT_EQ(f64(r, 2248), 10.0);

    Document after;
    EXPECT_EQ(after.s.m_dWidth, 8.0);
    EXPECT_EQ(after.s.m_dLogStepSize, 10.0);
    EXPECT_EQ(after.getChannel(0).m_strUnit, "normailzed");
    EXPECT_EQ(after.getChannel(16).m_strUnit, "") << "slots 16 to 19 keep the channel's own defaults";
    EXPECT_EQ(after.s.m_nGenericSampleRate, 10000) << "generic fields are not taken";
    Document plain(StartingSettings::defaultsOnly);
    EXPECT_EQ(plain.s.m_dWidth, 6.0) << "the legacy file is not consulted";
    plain.Initilize();
    EXPECT_EQ(plain.s.m_dWidth, 6.0) << "nor when the document starts over";

    // An option panel's OK writes its group only.
    Document d;
    d.s.m_dPitchWindowLength = 40;
    d.s.m_nFFTAverageStepSize = 33;
    d.s.m_bSpecDrawIntensity = true;
    d.s.m_nSpecDynamicRange = 70;
    d.s.m_dZoomRange = 2500.7;
    ASSERT_TRUE(updateLegacyConfig(d, OptionGroup::Pitch));
    ASSERT_TRUE(updateLegacyConfig(d, OptionGroup::Spectrogram));
    ASSERT_TRUE(updateLegacyConfig(d, OptionGroup::Zoom));
    r = legacyFile();
    EXPECT_EQ(f64(r, 1072), 40.0);
    EXPECT_EQ(i32(r, 596), 10) << "FFT group untouched";
    EXPECT_EQ(i32(r, 996), 70);
    EXPECT_EQ(i32(r, 1044), 0) << "the intensity flag is not part of the spectrogram group";
    EXPECT_EQ(i32(r, 580), 2500);
    EXPECT_EQ(Document().s.m_dZoomRange, 2500.0) << "a new document takes the file";

    revertToDefaultConfiguration();
    EXPECT_FALSE(std::filesystem::exists(legacyConfigPath()));
    EXPECT_EQ(Document().s.m_dWidth, 6.0);
    EXPECT_FALSE(updateLegacyConfig(d, OptionGroup::FFTLPC)) << "a missing file is not recreated";
    EXPECT_FALSE(std::filesystem::exists(legacyConfigPath()));
}

TEST_F(Config, StartUpReadsAGoodFileAndReplacesAnOldVersion)
{
    applicationWillFinishLaunching();
    ConfigRecord r = legacyFile();
    putF64le(r.data() + 520, 44100.0);
    putU32le(r.data() + 344, static_cast<std::uint32_t>(-20)); // main window left
    putU32le(r.data() + 2256, 48000);
    ASSERT_TRUE(writeFileAtomically(legacyConfigPath(), r));

    resetAppState();
    applicationWillFinishLaunching();
    EXPECT_EQ(app().g_dAnalysisSampleRate, 44100.0);
    EXPECT_EQ(app().g_rMainWindowPosition().left, -20);
    EXPECT_EQ(app().g_nDSPValues[0], 48000);
    EXPECT_TRUE(app().settingsNotice.empty());

    // Another version, a short file, a bad value: defaults, the file kept aside, told once.
    const std::string kept = legacyConfigPath() + ".damaged";
    ConfigRecord zeroStep = r;
    putF64le(zeroStep.data() + 1080, 0.0);
    ConfigRecord older = r;
    std::memcpy(older.data(), "1711", 4);
    const std::vector<std::pair<std::vector<std::uint8_t>, std::string>> damaged = {
        {{older.begin(), older.end()}, "another version (\"1711\")"},
        {{r.begin(), r.begin() + 100}, "100 bytes long"},
        {{zeroStep.begin(), zeroStep.end()}, "Pitch options: Step must be from 1 to 20 ms, not 0"},
    };
    for (const auto& [bytes, why] : damaged) {
        ASSERT_TRUE(writeFileAtomically(legacyConfigPath(), bytes));
        resetAppState();
        applicationWillFinishLaunching();
        EXPECT_EQ(f64(legacyFile(), 520), 11000.0) << why;
        EXPECT_NE(app().settingsNotice.find(why), std::string::npos) << app().settingsNotice;
        EXPECT_NE(app().settingsNotice.find(kept), std::string::npos) << app().settingsNotice;
        EXPECT_EQ(readWholeFile(kept), bytes) << "the user's file is kept as it was";
        resetAppState();
        applicationWillFinishLaunching();
        EXPECT_TRUE(app().settingsNotice.empty()) << "told once";
    }
}

TEST_F(Config, DocumentCreationRejectsAFileOutsideItsRangesAsAWhole)
{
    applicationWillFinishLaunching();
    const ConfigRecord good = legacyFile();
    // (offset, value, whether it is a double)
    const std::tuple<int, double, bool> bads[] = {
        {1072, 150.0, true}, {1072, 9.0, true},  {1080, 21.0, true}, {1088, 1001.0, true}, {1096, 49.0, true},
        {1136, 0.5, true},   {1104, 1001, false}, {1108, 40, false},  {596, 0, false},      {588, 100, false},
        {1064, -1, false},   {2248, 0.0, true},  {664, 0, false},    {1072, std::nan(""), true}};
    for (const auto& [offset, value, isDouble] : bads) {
        SCOPED_TRACE(offset);
        ConfigRecord r = good;
        putF64le(r.data() + 544, 7.5);
        if (isDouble)
            putF64le(r.data() + offset, value);
        else
            putU32le(r.data() + offset, static_cast<std::uint32_t>(static_cast<int>(value)));
        ASSERT_TRUE(writeFileAtomically(legacyConfigPath(), r));
        Document d;
        EXPECT_EQ(d.s.m_dWidth, 6.0) << "no field of a refused file is taken";
        EXPECT_EQ(d.getChannel(0).m_strUnit, "normalized");
    }
}

TEST_F(Config, UserConfigurationRoundTripsAndRefusesBadFiles)
{
    applicationWillFinishLaunching();
    Document a;
    a.s.m_dAnalysisSampleRate = 44100;
    a.s.m_dLogStepSize = 3.0;
    a.getChannel(2).SetUnit("Pa");
    ConfigRecord r = buildUserConfiguration(a);
    for (std::size_t k = 2248; k < kConfigRecordSize; ++k)
        ASSERT_EQ(r[k], 0) << k;

    std::string path = std::string(std::getenv("VOXTRACE_CONFIG_DIR")) + "/User_Configuration.cfg";
    ASSERT_TRUE(saveUserConfiguration(a, path));
    auto bytes = readWholeFile(path);
    ASSERT_TRUE(bytes);
    EXPECT_EQ(bytes->size(), 2400u);

    Document b;
    std::string why;
    ASSERT_TRUE(loadUserConfiguration(b, *bytes, &why)) << why;
    EXPECT_EQ(b.s.m_dAnalysisSampleRate, 44100.0);
    EXPECT_EQ(b.s.m_dLogStepSize, 10.0) << "the log step is not loaded";
    EXPECT_EQ(b.getChannel(2).m_strUnit, "Pa");

    Document c;
    const double rateBefore = c.s.m_dAnalysisSampleRate;
    std::vector<std::uint8_t> shortFile(bytes->begin(), bytes->begin() + 2000);
    EXPECT_FALSE(loadUserConfiguration(c, shortFile, &why));
    EXPECT_NE(why.find("too short"), std::string::npos);
    std::vector<std::uint8_t> zeroStep = *bytes;
    putF64le(zeroStep.data() + 1080, 0.0);
    EXPECT_FALSE(loadUserConfiguration(c, zeroStep, &why));
    EXPECT_NE(why.find("Pitch options: Step must be from 1 to 20 ms, not 0."), std::string::npos) << why;
    EXPECT_EQ(c.s.m_dAnalysisSampleRate, rateBefore) << "a refused file changes nothing";
}
