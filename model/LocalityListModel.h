#pragma once

#include "model/AbstractFlatListModel.h"

#include <QColor>
#include <QMetaObject>
#include <QPointer>

#include <memory>
#include <vector>

namespace kiv {

class Locality;
class Project;

// A project's localities, newest first, read from the project on every
// request.
class LocalityListModel : public AbstractFlatListModel
{
    Q_OBJECT

public:
    enum LocalityDisplayRoles { LocalityId = 1, Name = 2, Color = 3, EndRoles = 3 };
    Q_ENUM(LocalityDisplayRoles)

    explicit LocalityListModel(Project* project = nullptr, QObject* parent = nullptr);
    ~LocalityListModel() override;

    QHash<int, QByteArray> roleNames() const override;

    // The colour a locality is shown in: black when it has none, as its
    // stored record reads back.
    static QColor colourOf(const Locality& locality);

protected:
    int count() const override;
    QVariant rowData(int row, int role) const override;
    std::shared_ptr<Locality> localityAt(int row) const;
    Project* project() const;

private:
    void onListChanged();

    QPointer<Project> m_project;
    std::vector<QMetaObject::Connection> m_connections;
    bool m_stale = false;
};

} // namespace kiv
