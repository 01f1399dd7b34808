#include "model/EditTarget.h"

#include "app/AppContext.h"
#include "model/Locality.h"
#include "model/ModelManager.h"
#include "model/Project.h"

namespace kiv {

std::shared_ptr<Locality> EditTarget::locality(const Project& project, const std::string& localityId)
{
    if (!localityId.empty())
        return project.locality(localityId);
    ModelManager* manager = ModelManager::instance();
    const std::shared_ptr<Locality> current = manager ? manager->currentLocality() : nullptr;
    // Only a locality of the current project will do.
    return current ? project.locality(current->id()) : nullptr;
}

} // namespace kiv
