#pragma once

#include "export/AbstractCSVExporter.h"

namespace kiv {

// The CSV export as the export task runs it.
class CSVExporter : public AbstractCSVExporter
{
public:
    CSVExporter() = default;
    ~CSVExporter() override;
};

} // namespace kiv
