#pragma once

#include <QColor>
#include <QList>
#include <QSet>
#include <QSortFilterProxyModel>
#include <QString>
#include <QVariantMap>

namespace kiv {

class DataListModel;

// A data list narrowed by row kind, locality, rock unit and symbol, with the
// edit and delete entry points of the data screens. Locality rows pass every
// filter but the locality one.
class FilteredDataListModel : public QSortFilterProxyModel
{
    Q_OBJECT

public:
    explicit FilteredDataListModel(QObject* parent = nullptr);

    Q_INVOKABLE QList<QString> visibleLocalities() const { return m_visibleLocalities.values(); }
    Q_INVOKABLE QList<QString> visibleUnits() const { return m_visibleUnits.values(); }
    Q_INVOKABLE QList<QString> visibleSymbols() const { return m_visibleSymbols.values(); }
    // Every role of a row by its name; empty outside the list.
    Q_INVOKABLE QVariantMap get(int row) const;

public slots:
    void updateData();
    void showAll();
    void showLinesOnly();
    void showNotesOnly();
    void showPointDataOnly();
    void setFilterByLocality(bool filter);
    void setFilterByUnit(bool filter);
    void setFilterBySymbolType(bool filter);
    void setVisibleLocalities(const QList<QString>& ids);
    void setVisibleUnits(const QList<QString>& ids);
    void setVisibleSymbols(const QList<QString>& ids);
    void showAllLocalities();
    void showAllUnits();
    void showAllSymbols();
    void showAllStructuralSymbols();

    // Each returns the command's outcome.
    bool deletePointData(const QString& dataId);
    bool deleteLine(const QString& lineId);
    bool deleteLocality(const QString& localityId);
    // Row of the object in this proxy; -1 when absent or filtered out.
    int indexForId(const QString& dataId) const;

    bool savePointData(int index, const QString& dataId, double lat, double lg, int symbolId, int unitId,
                       const QString& comment);
    bool saveAnnotationData(int index, const QString& dataId, double lat, double lg, double azimuth,
                            const QString& comment);
    bool saveSighting(int index, const QString& dataId, double lat, double lg, int unitId,
                      const QString& comment);
    bool saveLineData(int index, const QString& dataId, float lineThickness, float lineOpacity, int lineStyle,
                      int unitId, const QString& comment);
    bool saveLocalityData(int index, const QString& dataId, const QString& name, const QString& description,
                          double lat, double lg, const QColor& localityColor);

signals:
    void visibleLocalitiesChanged();
    void visibleUnitsChanged();
    void visibleSymbolsChanged();

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

    DataListModel* dataSource() const;
    // The source row behind a row of this proxy; -1 outside it.
    int sourceRow(int row) const;

private:
    // The row's unit id as text; "0" (no unit) for a unit the project's
    // strat column does not hold.
    QString unitKey(const QModelIndex& row) const;
    void show(bool lines, bool notes, bool pointData);
    void setFlag(bool& flag, bool value);
    void replaceSet(QSet<QString>& set, const QList<QString>& members, void (FilteredDataListModel::*changed)());
    template <typename Save, typename... Args>
    bool save(Save operation, int index, Args&&... args);

    bool m_showLines = true;
    bool m_showNotes = true;
    bool m_showPointData = true;
    bool m_filterByLocality = false;
    bool m_filterByUnit = false;
    bool m_filterBySymbolType = false;
    QSet<QString> m_visibleLocalities;
    QSet<QString> m_visibleUnits;
    QSet<QString> m_visibleSymbols;
};

} // namespace kiv
