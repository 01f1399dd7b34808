#pragma once

#include <QString>

namespace kiv {

// Qt's QML disk cache commits a file whose last write failed on a full disk;
// a file cut short that way ends the program at every later start when its
// code is mapped. Such files go before any QML is loaded.
class QmlCacheCheck
{
public:
    // Removes every compiled unit in the folder that is shorter than its
    // header says; the number removed.
    static int removeCutFiles(const QString& folder);

private:
    static bool isCut(const QString& path);
};

} // namespace kiv
