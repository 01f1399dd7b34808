#pragma once

class QImage;
class QString;

namespace kiv {

// Writes a picture whole or not at all: a write that fails part way (a full
// disk) leaves neither a cut-off file nor a damaged earlier version.
class ImageFile
{
public:
    // The format by name, or by the path's suffix when none is given.
    static bool save(const QImage& image, const QString& path, const char* format = nullptr);
};

} // namespace kiv
