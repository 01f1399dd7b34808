#include "Database/AbstractProgress.h"

namespace kiv {

AbstractProgress::AbstractProgress(QObject* parent)
    : QObject(parent)
{
}

} // namespace kiv
