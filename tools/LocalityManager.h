#pragma once

#include <QMetaObject>
#include <QObject>
#include <QPointer>

namespace kiv {

class AbstractLocationManager;
class ApplicationManager;
class CheckableLocalityListModel;
class ModelManager;

// Creates localities at the current position and lists the project's
// localities for the locality dialog and picker.
class LocalityManager : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QObject* localityModel READ localityModel NOTIFY localityModelChanged)
    Q_PROPERTY(bool active READ active WRITE setActive NOTIFY activeChanged)

public:
    explicit LocalityManager(QObject* parent = nullptr);
    ~LocalityManager() override;

    QObject* localityModel() const;
    bool active() const { return m_active; }

public slots:
    void createLocality();
    void setActive(bool active);
    void onLocalityListChanged();

signals:
    void localityModelChanged(QObject* model);
    void activeChanged(bool active);
    void localityCreated();

private:
    QPointer<ApplicationManager> m_appManager;
    QPointer<ModelManager> m_modelManager;
    QPointer<AbstractLocationManager> m_locationManager;
    CheckableLocalityListModel* m_localityModel = nullptr;
    bool m_active = false;
    // The one creation under way: its list change is only announced once the
    // command has stuck.
    QMetaObject::Connection m_creation;
    bool m_listChanged = false;
};

} // namespace kiv
