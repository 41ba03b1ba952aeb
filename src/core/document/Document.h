#pragma once
// One open file, new recording or empty window: 20 channel slots, the
// state flags that the menus consult, and the document's Settings.

#include "app/Settings.h"
#include "model/Channels.h"
#include "platform/Interaction.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace vx {

class Document;

// What a reader may consult and report while it runs.
struct ReadContext {
    UserInteraction* ui = nullptr;
    // Set by a reader that recognised the data but cannot load it, so that
    // the caller can tell the user why the file did not open.
    std::string reason;
    // Set by a reader whose format has variants ("aifc"), and to the chosen
    // channel (0-based) by a reader that asked for one.
    std::string format;
    int channel = 0;
    // Decode no samples: the fields of the channels are set from the
    // header, their sample buffers stay empty.
    bool headerOnly = false;
    // Repairs a reader made while loading, for the user to be told.
    std::vector<std::string> notes;
};

// A reader returns 0 when it has recognised and loaded the data, non-zero
// when the data is not its format, a variant it refuses, or the user
// cancelled a choice. It may throw (a read past the end of the data).
struct FileReader {
    const char* name;
    std::function<int(Document&, std::span<const std::uint8_t>, ReadContext&)> read;
};

// The readers in the order they are tried on every opened file.
const std::vector<FileReader>& standardReaders();

struct ReadResult {
    bool ok = false;
    std::string reader; // the format that loaded the data
    std::string reason; // why nothing loaded it
    int channel = 0;    // the file's channel that was loaded, 0-based
    std::vector<std::string> notes; // repairs made while loading
};

struct ReadOptions {
    // How messages name the file.
    std::string name = "the file";
    // Read the header only: no samples are decoded (see ReadContext).
    bool headerOnly = false;
};

enum class DocumentAction {
    saveDocument,
    saveDocumentAs,
    revertDocumentToSaved,
    fileSaveCopyAs,
    fileExportAs,
    fileSaveSelectionAs,
    fileExportSelectionAs,
    fileSaveConfiguration,
    fileLoadConfiguration,
    other,
};

// Where a new document's Settings come from: the built-in defaults with the
// legacy settings file applied over them (the application), or the
// defaults alone, without touching the per-user settings folder.
enum class StartingSettings { withLegacyFile, defaultsOnly };

class Document {
public:
    static constexpr int kNumChannels = 20;

    explicit Document(StartingSettings from = StartingSettings::withLegacyFile);
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    std::vector<Channels> m_Channel;
    int m_nNumofChannels = 0;
    bool m_bHaveData = false;
    bool m_bNewFile = true;
    bool m_bForeignFile = false;
    // The one record of whether a selection or a marker exists; the views
    // of the document read and set these.
    bool m_bHaveSelection = false;
    bool m_bHaveMarker = false;
    Settings s;

    void Initilize();
    // No selection and no marker: the flags and every channel's duration.
    void clearSelection();
    Channels& getChannel(int k) { return m_Channel.at(static_cast<std::size_t>(k)); }
    const Channels& getChannel(int k) const { return m_Channel.at(static_cast<std::size_t>(k)); }

    // Tries the readers in order; the first that returns 0 ends the search,
    // an exception ends it at once. When nothing loads the data the
    // document is put back exactly as it was before the call.
    ReadResult readFromData(std::span<const std::uint8_t> data, UserInteraction* ui,
                            const std::vector<FileReader>& readers = standardReaders(),
                            const ReadOptions& options = {});
    // Reads the file mapped, so that only the bytes the readers touch are
    // read from the disk.
    ReadResult loadFile(const std::string& path, UserInteraction* ui, bool headerOnly = false);
    // Reads the file again into a new document and, when it loads, takes
    // its contents in place of this one's, with no change since the file.
    // Nothing changes when it does not load.
    ReadResult revertToSaved(const std::string& path, UserInteraction* ui);

    bool validateMenuItem(DocumentAction action) const;

    // Change counting: setDirty records one change; a save clears them.
    void setDirty() { ++m_nChangeCount; }
    void clearChanges() { m_nChangeCount = 0; }
    bool isDocumentEdited() const { return m_nChangeCount != 0; }

private:
    // Everything a read sets, kept so that a failed read changes nothing.
    struct Contents;
    Contents copyContents() const;
    void setContents(Contents c);
    StartingSettings m_startingSettings;
    int m_nChangeCount = 0;
};

} // namespace vx
