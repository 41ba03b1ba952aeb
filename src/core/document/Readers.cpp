#include "document/Document.h"

namespace vx {

const std::vector<FileReader>& standardReaders()
{
    static const std::vector<FileReader> readers = {};
    return readers;
}

} // namespace vx
