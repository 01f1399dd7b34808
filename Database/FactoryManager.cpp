#include "Database/FactoryManager.h"

#include "Database/Destructor.h"
#include "Database/DestructorManager.h"

namespace kiv {

KIV_DEFINE_SINGLETON(FactoryManager, 6)

} // namespace kiv
