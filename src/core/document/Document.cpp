#include "document/Document.h"

#include "app/AppState.h"
#include "app/ConfigFile.h"
#include "document/Limits.h"
#include "platform/ByteReader.h"
#include "platform/FileIO.h"

namespace vx {

struct Document::Contents {
    std::vector<Channels> channels;
    int numofChannels;
    bool haveData, newFile, foreignFile, haveSelection, haveMarker;
    Settings settings;
};

Document::Contents Document::copyContents() const
{
    return {m_Channel, m_nNumofChannels, m_bHaveData, m_bNewFile, m_bForeignFile, m_bHaveSelection, m_bHaveMarker, s};
}

void Document::setContents(Contents c)
{
    m_Channel = std::move(c.channels);
    m_nNumofChannels = c.numofChannels;
    m_bHaveData = c.haveData;
    m_bNewFile = c.newFile;
    m_bForeignFile = c.foreignFile;
    m_bHaveSelection = c.haveSelection;
    m_bHaveMarker = c.haveMarker;
    s = std::move(c.settings);
}

Document::Document(StartingSettings from) : m_startingSettings(from)
{
    Initilize();
}

void Document::Initilize()
{
    m_Channel.clear();
    m_Channel.resize(kNumChannels);
    m_nNumofChannels = 0;
    m_bHaveData = false;
    m_bNewFile = true;
    m_bForeignFile = false;
    clearSelection();
    s = makeDefaultSettings(app().g_nRecordSampleRate);
    for (int k = 0; k < 16; ++k) {
        Channels& c = getChannel(k);
        c.m_dA3Cal = 0;
        c.m_dB2Cal = 0;
        c.m_dC1Cal = 1.0;
        c.m_dD0Cal = 0;
        c.SetUnit("normalized");
    }
    s.m_nFileFormat = -1;
    s.m_nEGGChannelIndex = -1;
    s.m_nEGGThresholdPerCent = 25;
    if (m_startingSettings == StartingSettings::withLegacyFile)
        applyLegacyConfig(*this);
}

void Document::clearSelection()
{
    m_bHaveSelection = m_bHaveMarker = false;
    for (Channels& c : m_Channel) {
        c.m_dDurationStartTime = c.m_dDurationStopTime = c.m_dDurationTime = 0;
        c.m_dDurationStartFile = c.m_dDurationStopFile = c.m_dDurationFile = 0;
    }
}

ReadResult Document::readFromData(std::span<const std::uint8_t> data, UserInteraction* ui,
                                  const std::vector<FileReader>& readers, const ReadOptions& options)
{
    Contents before = copyContents();
    const double analysisRate = app().g_dAnalysisSampleRate;
    FixedAnswers defaultAnswers;
    ReadContext ctx;
    ctx.ui = ui ? ui : &defaultAnswers;
    ctx.headerOnly = options.headerOnly;
    ReadResult result;
    try {
        for (const FileReader& reader : readers) {
            if (reader.read(*this, data, ctx) == 0) {
                result.ok = true;
                result.reader = ctx.format.empty() ? reader.name : ctx.format;
                result.channel = ctx.channel;
                result.notes = std::move(ctx.notes);
                return result;
            }
        }
        result.reason = ctx.reason.empty()
                            ? "The file is not in a format that Voxtrace can read (WAVE, AIFF, AIFC, "
                              "Voxtrace or legacy PC sound file)."
                            : ctx.reason;
    } catch (const ReadPastEnd&) {
        result.reason = ctx.reason.empty() ? "The file is damaged: its data ends before its header says."
                                           : ctx.reason;
    } catch (const NotEnoughMemory& e) {
        result.reason = "not enough memory to open " + options.name + " (" + std::to_string(e.samples) + " samples)";
    } catch (const std::bad_alloc&) {
        result.reason = "There is not enough memory to load the file.";
    } catch (const std::exception& e) {
        result.reason = ctx.reason.empty() ? std::string("The file could not be read: ") + e.what() + "."
                                           : ctx.reason;
    }
    setContents(std::move(before));
    app().g_dAnalysisSampleRate = analysisRate;
    return result;
}

ReadResult Document::loadFile(const std::string& path, UserInteraction* ui, bool headerOnly)
{
    std::string error;
    const auto file = MappedFile::open(path, &error);
    if (!file) {
        ReadResult refused;
        refused.reason = "The file could not be read (" + error + ").";
        return refused;
    }
    return readFromData(file->bytes(), ui, standardReaders(), {path, headerOnly});
}

ReadResult Document::revertToSaved(const std::string& path, UserInteraction* ui)
{
    Document fresh(m_startingSettings);
    ReadResult r = fresh.loadFile(path, ui);
    if (!r.ok)
        return r;
    setContents({std::move(fresh.m_Channel), fresh.m_nNumofChannels, fresh.m_bHaveData, fresh.m_bNewFile,
                 fresh.m_bForeignFile, fresh.m_bHaveSelection, fresh.m_bHaveMarker, fresh.s});
    clearChanges();
    return r;
}

bool Document::validateMenuItem(DocumentAction action) const
{
    switch (action) {
    case DocumentAction::saveDocument:
    case DocumentAction::saveDocumentAs:
    case DocumentAction::fileSaveCopyAs:
    case DocumentAction::fileExportAs:
    case DocumentAction::revertDocumentToSaved:
    case DocumentAction::fileSaveConfiguration:
        return m_bHaveData;
    case DocumentAction::fileSaveSelectionAs:
    case DocumentAction::fileExportSelectionAs:
        return m_bHaveData && m_bHaveSelection;
    case DocumentAction::fileLoadConfiguration:
    case DocumentAction::other:
        return true;
    }
    return true;
}

} // namespace vx
