#pragma once

#include "tools/Tool.h"

#include <QString>

namespace kiv {

// Edits the current project's own fields from the project screen.
class ProjectTool : public Tool
{
    Q_OBJECT

public:
    explicit ProjectTool(QObject* parent = nullptr);

public slots:
    // Refusals are logged and answered with saveSuccessful(false) and false.
    // The declination text "999" means none.
    bool save(const QString& name, const QString& declination, const QString& localityBaseName,
              const QString& description);

signals:
    void saveSuccessful(bool success);

private:
    bool refuse();
};

} // namespace kiv
