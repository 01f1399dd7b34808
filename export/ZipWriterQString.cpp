#include "export/ZipWriter.h"

#include <QString>

namespace kiv {

ZipWriter* ZipWriter::open(const QString& path, const char* password)
{
    return open(reinterpret_cast<const char16_t*>(path.utf16()), password);
}

uint32_t ZipWriter::addFile(ZipWriter* zip, const QString& name, const QString& sourcePath)
{
    return addFile(zip, reinterpret_cast<const char16_t*>(name.utf16()),
                   reinterpret_cast<const char16_t*>(sourcePath.utf16()));
}

} // namespace kiv
