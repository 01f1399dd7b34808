// Time to rebuild the data list and to filter it again, as every edit and
// every filter change does on the GUI thread: one project of 50 localities
// with 200 data and 20 lines each, all in memory.

#include "MedianTiming.h"
#include "model/Data.h"
#include "model/DataListModel.h"
#include "model/FilteredDataListModel.h"
#include "model/LineData2D.h"
#include "model/Locality.h"
#include "model/ModelManager.h"
#include "model/Project.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace kiv;

namespace {

const int Localities = 50;
const int DataPerLocality = 200;
const int LinesPerLocality = 20;
const int Passes = 10;

std::string idOf(int n)
{
    return QStringLiteral("%1").arg(n, 32, 16, QLatin1Char('0')).toStdString();
}

void fill(Project& project)
{
    int next = 0;
    for (int l = 0; l < Localities; ++l) {
        const auto locality = project.createLocality(idOf(++next));
        locality->setTimeStamp(1000000 + l * 1000);
        for (int d = 0; d < DataPerLocality; ++d) {
            const auto data = d % 2 ? locality->addPlane(idOf(++next), 46.0, 7.0, 30.0f, 120.0f, d % 5, 1, "bed")
                                    : locality->addLineation(idOf(++next), 46.0, 7.0, 20.0f, 80.0f, 0, 9, "lin");
            data->setTimeStamp(locality->timeStamp() + d);
        }
        for (int i = 0; i < LinesPerLocality; ++i) {
            const auto line = locality->addPolyline(idOf(++next), 1, 0, 1.0f, 1.0f, "contact");
            line->setTimeStamp(locality->timeStamp() + i * 7);
        }
    }
}

void measure(const char* what, const std::function<void()>& step)
{
    measureMedian(what, Passes, step);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("KIV-benchmark"));
    QCoreApplication::setApplicationName(QStringLiteral("datalist"));
    QTemporaryDir documents;
    ModelManager* manager = ModelManager::instance();
    const auto project = manager->createProject(QStringLiteral("bench.qz"), QDir(documents.path()));
    if (!project) {
        std::fprintf(stderr, "could not create the project\n");
        return 1;
    }
    fill(*project);
    DataListModel source(project.get());
    FilteredDataListModel filtered;
    filtered.setSourceModel(&source);
    source.updateData();
    std::printf("%d localities x (%d data + %d lines): %d rows\n", Localities, DataPerLocality, LinesPerLocality,
                source.rowCount());
    // The proxy filters when it is next read, as a view does at once.
    measure("updateData (rebuild, proxy filters again)", [&] {
        filtered.updateData();
        filtered.rowCount();
    });
    bool byUnit = false;
    measure("filter by unit on or off", [&] {
        filtered.setVisibleUnits({QStringLiteral("1"), QStringLiteral("2")});
        filtered.setFilterByUnit(byUnit = !byUnit);
        filtered.rowCount();
    });
    measure("showPointDataOnly then showAll", [&] {
        filtered.showPointDataOnly();
        filtered.rowCount();
        filtered.showAll();
        filtered.rowCount();
    });
    delete manager;
    ModelManager::instance() = nullptr;
    return 0;
}
