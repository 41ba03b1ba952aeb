#include "document/AiffFormat.h"
#include "document/Document.h"
#include "document/LegacyFormats.h"
#include "document/NativeFormat.h"
#include "document/WaveFormat.h"

namespace vx {

const std::vector<FileReader>& standardReaders()
{
    static const std::vector<FileReader> readers = {
        {"native", Read_VXT_MACX_FileType},
        {"native-pc", Read_VXT_PC_FileType},
        {"legacy-float", Read_QAD_PC_Float_FileType},
        {"legacy-pc", Read_OLD_PC_FileType},
        {"wave", Read_WAVE_FileType},
        {"aiff", Read_AIFF_FileType},
    };
    return readers;
}

} // namespace vx
