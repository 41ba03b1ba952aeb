#include "document/RecordedFile.h"

#include "document/WaveFormat.h"
#include "platform/FileIO.h"

namespace vx {

int Read_RecordedFile(Document& d, const std::string& path, std::string* reason)
{
    std::string error;
    const auto bytes = MappedFile::open(path, &error);
    if (!bytes) {
        if (reason)
            *reason = "The recording could not be read (" + error + ").";
        return -1;
    }
    const bool newFile = d.m_bNewFile;
    const bool foreign = d.m_bForeignFile;
    const int format = d.s.m_nFileFormat;
    static const std::vector<FileReader> readers{{"WAVE", Read_WAVE_FileType}};
    const ReadResult r = d.readFromData(bytes->bytes(), nullptr, readers, {path, false});
    if (!r.ok) {
        if (reason)
            *reason = r.reason;
        return -1;
    }
    d.m_bNewFile = newFile;
    d.m_bForeignFile = foreign;
    d.s.m_nFileFormat = format;
    d.getChannel(0).m_dC1Cal = 1000.0;
    // The recording is the document's only channel now.
    for (int k = 1; k < Document::kNumChannels; ++k)
        d.getChannel(k).m_hData.dispose();
    d.setDirty();
    return 0;
}

} // namespace vx
