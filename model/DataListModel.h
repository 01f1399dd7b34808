#pragma once

#include "model/AbstractFlatListModel.h"

#include <QColor>
#include <QMetaObject>
#include <QPointer>
#include <QString>

#include <memory>
#include <string>
#include <vector>

namespace kiv {

class AbstractCommand;
class AbstractObject;
class Data;
class LineData2D;
class LocatedObject;
class Locality;
class ModelManager;
class ModifyDataCommand;
class Project;

// A project's localities, each followed by its point data and lines, newest
// first; the current locality's block leads. Follows the current project.
// Edits made through it run as commands.
class DataListModel : public AbstractFlatListModel
{
    Q_OBJECT

public:
    enum DataRoles {
        LocalityId = Qt::UserRole,
        LocalityName,
        DataId,
        DataType,
        TimeStamp,
        TimeString,
        Comment,
        Dip,
        Azimuth,
        IconId,
        SymbolId,
        SymbolName,
        Latitude,
        Longitude,
        Altitude,
        HorizontalAccuracy,
        VerticalAccuracy,
        UnitColor,
        UnitName,
        UnitId,
        LineStyle,
        LineThickness,
        LineOpacity,
        Filled,
        ImageSource,
        Empty,
        LocalityColor
    };
    Q_ENUM(DataRoles)

    explicit DataListModel(Project* project = nullptr, QObject* parent = nullptr);
    ~DataListModel() override;

    QHash<int, QByteArray> roleNames() const override;

    // Null without one.
    Project* project() const { return m_project; }
    // Empty outside the list.
    std::shared_ptr<AbstractObject> itemAt(int row) const;
    // First row of that object id; -1 when there is none.
    int rowOfId(const QString& id) const;

    // Each returns the command's outcome; false when the row does not hold
    // an object of that kind and id. A latitude outside [-90, 90] or a
    // longitude outside [-180, 180] keeps the stored one.
    bool savePointData(int row, const QString& dataId, double lat, double lg, int symbolId, int unitId,
                       const QString& comment);
    bool saveAnnotationData(int row, const QString& dataId, double lat, double lg, double azimuth,
                            const QString& comment);
    bool saveSighting(int row, const QString& dataId, double lat, double lg, int unitId, const QString& comment);
    bool saveLineData(int row, const QString& dataId, float lineThickness, float lineOpacity, int lineStyle,
                      int unitId, const QString& comment);
    bool saveLocalityData(int row, const QString& dataId, const QString& name, const QString& description,
                          double lat, double lg, const QColor& localityColor);

    // Runs the command through the command manager; its outcome.
    static bool execute(const std::shared_ptr<AbstractCommand>& command);
    // "ddd d MMM yyyy HH:mm:ss" in local time.
    static QString timeString(qint64 timeStamp);
    // Pen style number of a stored line style, and back.
    static int penStyle(int lineStyle);
    static int storedLineStyle(int penStyle);

public slots:
    void updateData();
    // A change to one locality's content refills only that locality's rows.
    void onDataListChanged();
    void onCurrentProjectChanged(kiv::Project* project);

protected:
    int count() const override { return static_cast<int>(m_rows.size()); }
    QVariant rowData(int row, int role) const override;

private:
    void connectProject();
    // True, noting the change, while the project announces several lists:
    // they are read once when it ends.
    bool heldBack();
    void disconnectProject();
    void fillRows();
    void appendLocality(const std::shared_ptr<Locality>& locality);
    bool refillLocality(const std::string& localityId);

    QVariant localityRole(const Locality& locality, int role) const;
    QVariant dataRole(const Data& data, int role) const;
    QVariant lineRole(const LineData2D& line, int role) const;
    template <typename Item>
    QVariant itemRole(const Item& item, int role) const;
    static QVariant positionRole(const LocatedObject& object, int role);
    QVariant localityName(const std::string& localityId) const;
    QVariant imageSource(const Data& data) const;

    template <typename Object>
    std::shared_ptr<Object> rowObject(int row, const QString& id) const;
    std::shared_ptr<ModifyDataCommand> dataEdit(int row, const QString& dataId, double lat, double lg,
                                                const QString& comment) const;
    bool run(int row, const std::shared_ptr<AbstractCommand>& command);

    std::vector<QMetaObject::Connection> m_connections;
    QPointer<Project> m_project;
    QPointer<ModelManager> m_manager;
    std::vector<std::shared_ptr<AbstractObject>> m_rows;
    bool m_stale = false;
};

} // namespace kiv
