#pragma once

#include "tools/Tool.h"

#include <QPointF>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QUrl>

namespace kiv {

class CheckableFilteredDataListModel;
class DataListModel;
class Project;

// Plots the checked structural data of the current project on the stereonet
// item of its screen and saves the plot as a picture datum.
class StereoNetTool : public Tool
{
    Q_OBJECT
    Q_PROPERTY(QObject* dataModel READ dataModel NOTIFY dataModelChanged)
    Q_PROPERTY(QObject* stereoNetItem READ stereoNetItem WRITE setStereoNetItem NOTIFY stereoNetItemChanged)

public:
    explicit StereoNetTool(QObject* parent = nullptr);

    // Null until the first activation.
    QObject* dataModel() const;
    QObject* stereoNetItem() const { return m_stereoNetItem; }

public slots:
    void toolActivated() override;
    // The item takes the selection through its setSelectedData(QList<kiv::Data*>).
    void setStereoNetItem(QObject* item);
    void onSelectedDataChanged();
    void resetFilters();
    bool saveAsNote(const QUrl& imageSource, const QString& comment, const QPointF& location, bool isGpsLocation);

signals:
    void dataModelChanged(QObject* dataModel);
    void stereoNetItemChanged(QObject* stereoNetItem);

private:
    void makeDataModel();
    // Localities, data, units and symbols that came after the filters were
    // set are shown and checked; the user's earlier choices stay.
    void admitNewObjects(const Project& project);
    // Runs a change of the model's filters or rows and then sends the item
    // the selection once: each filter step resets the model, and thousands
    // of rows make every selection walk count.
    template <typename Change>
    void changeSelection(Change change);

    DataListModel* m_source = nullptr;
    CheckableFilteredDataListModel* m_dataModel = nullptr;
    QPointer<QObject> m_stereoNetItem;
    bool m_filtersReset = false;
    int m_changes = 0;
    bool m_selectionStale = false;
    // Kind-prefixed ids of everything the filters knew at the last activation.
    QSet<QString> m_known;
};

} // namespace kiv
