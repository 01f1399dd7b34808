#pragma once

#include "tools/Tool.h"

#include <QPointF>

namespace kiv {

class DataListModel;
class FilteredDataListModel;

// The notebook's native side: owns the filtered data list, forwards the
// filter choice to the list and the map, and reports long presses.
class DataTool : public Tool
{
    Q_OBJECT
    Q_PROPERTY(QObject* dataModel READ dataModelObject NOTIFY dataModelChanged)

public:
    explicit DataTool(QObject* parent = nullptr);
    ~DataTool() override;

    FilteredDataListModel* dataModel() const { return m_dataModel; }
    QObject* dataModelObject() const;

public slots:
    void toolActivated() override;
    void toolDeactivated() override;
    bool mousePressed(double x, double y, Qt::MouseButtons buttons) override;
    bool mousePressAndHold(double x, double y, Qt::MouseButtons buttons) override;
    bool mouseReleased(double x, double y, Qt::MouseButtons buttons, bool longPress) override;

    void showAll();
    void showLinesOnly();
    void showNotesOnly();
    void showPointDataOnly();

signals:
    void dataModelChanged(QObject* dataModel);
    void longPress(QPointF position);

private:
    void createModels();
    void applyFilter(void (FilteredDataListModel::*show)(), int mapFilter);

    FilteredDataListModel* m_dataModel = nullptr;
    DataListModel* m_sourceModel = nullptr;
    QPointF m_pressPoint;
};

} // namespace kiv
