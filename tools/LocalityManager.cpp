#include "tools/LocalityManager.h"

#include "Database/CommandManager.h"
#include "app/AppContext.h"
#include "app/ApplicationManager.h"
#include "model/AddLocalityCommand.h"
#include "model/CheckableLocalityListModel.h"
#include "model/ModelManager.h"
#include "model/Project.h"
#include "tools/AbstractLocationManager.h"

namespace kiv {

namespace {

constexpr int ToastDuration = 2000;

} // namespace

LocalityManager::LocalityManager(QObject* parent)
    : QObject(parent)
    , m_appManager(ApplicationManager::instance())
    , m_modelManager(ModelManager::instance())
    , m_locationManager(m_appManager ? m_appManager->locationManager() : nullptr)
{
}

LocalityManager::~LocalityManager()
{
    disconnect(m_creation);
}

QObject* LocalityManager::localityModel() const
{
    return m_localityModel;
}

void LocalityManager::setActive(bool active)
{
    if (active == m_active)
        return;
    m_active = active;
    if (active && !m_localityModel && m_modelManager) {
        const std::shared_ptr<Project> project = m_modelManager->currentProject();
        m_localityModel = new CheckableLocalityListModel(project.get(), this);
        emit localityModelChanged(m_localityModel);
    }
    emit activeChanged(active);
}

void LocalityManager::createLocality()
{
    const std::shared_ptr<Project> project = m_modelManager ? m_modelManager->currentProject() : nullptr;
    if (!project || !m_locationManager)
        return;
    const QString name = project->localityName(int(project->localities().size()) + 1);
    // Typed values are taken before the position is read. Unchecked: without
    // a known position the locality lies at "none".
    m_locationManager->takePendingInput();
    const QPointF position = m_locationManager->lastKnownCoordinate();
    auto command = std::make_shared<AddLocalityCommand>();
    command->setLocality(name, position.y(), position.x(), m_locationManager->altitude(),
                         m_locationManager->horizontalAccuracy(), m_locationManager->verticalAccuracy());

    m_listChanged = false;
    disconnect(m_creation);
    m_creation = connect(project.get(), &Project::localityListChanged, this, &LocalityManager::onLocalityListChanged);
    const bool executed = CommandManager::instance()->execute(command);
    // Dropped whatever the outcome, so a later list change announces nothing.
    disconnect(m_creation);
    if (executed && m_listChanged)
        emit localityCreated();
    // A full disk, say: the list stays as it was, and the user must know.
    if (!executed)
        AppContext::toastError(QStringLiteral("Could not create locality"), ToastDuration);
}

void LocalityManager::onLocalityListChanged()
{
    disconnect(m_creation);
    m_listChanged = true;
}

} // namespace kiv
