#include "export/CSVExporter.h"

namespace kiv {

CSVExporter::~CSVExporter() = default;

} // namespace kiv
