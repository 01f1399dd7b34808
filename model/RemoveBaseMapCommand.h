#pragma once

#include "model/EditBaseMapCommand.h"

namespace kiv {

// Unregisters a base map and deletes its files from the project folder.
class RemoveBaseMapCommand : public EditBaseMapCommand
{
public:
    RemoveBaseMapCommand();

    static QString staticName() { return QStringLiteral("class kiv::RemoveBaseMapCommand"); }

    bool execute(CommandManagerContext* context) override;
    bool undo(CommandManagerContext* context) override;

    // Deletes a map file and, for an exact ".tif" or ".tiff" suffix, its
    // sidecars; announces each path. The project's record stays.
    static void removeFiles(const QDir& folder, const QUrl& location);
};

} // namespace kiv
