// Time to read every role of every row of the project list, as the home
// screen does on the GUI thread: 20 closed projects of 50 localities with
// four data each; half of them have no photograph, so the last-image search
// reads every locality.
#include "model/Locality.h"
#include "model/ModelManager.h"
#include "model/Project.h"
#include "model/ProjectListModel.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace kiv;

namespace {

const int Projects = 20;
const int Localities = 50;
const int DataPerLocality = 4;

std::string idOf(int n)
{
    return QStringLiteral("%1").arg(n, 32, 16, QLatin1Char('0')).toStdString();
}

bool fillProject(Project& project, int projectNumber, bool withPhotograph)
{
    int next = projectNumber * 100000;
    for (int l = 0; l < Localities; ++l) {
        const auto locality = project.createLocality(idOf(++next));
        locality->setTimeStamp(1000 + l);
        if (!project.syncLocalityDetails(locality.get()))
            return false;
        for (int d = 0; d < DataPerLocality; ++d) {
            const bool photograph = withPhotograph && l == 0 && d == 0;
            const auto data = photograph
                ? locality->addImage(idOf(++next), 46.0, 7.0, 0.0f, "IMG_1.jpeg", "", "", "")
                : locality->addPlane(idOf(++next), 46.0, 7.0, 30.0f, 120.0f, 0, 1, "bed");
            if (!project.syncDataDetails(data))
                return false;
        }
    }
    project.clearLocalities();
    return true;
}

double readAllRoles(ProjectListModel& model)
{
    QElapsedTimer timer;
    timer.start();
    const QList<int> roles = model.roleNames().keys();
    for (int row = 0; row < model.rowCount(); ++row) {
        for (int role : roles)
            model.index(row).data(role);
    }
    return timer.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("KIV-benchmark"));
    QCoreApplication::setApplicationName(QStringLiteral("projectlist"));
    QTemporaryDir documents;
    ModelManager* manager = ModelManager::instance();
    for (int p = 0; p < Projects; ++p) {
        const QString name = QStringLiteral("project%1.qz").arg(p);
        QDir(documents.path()).mkdir(name);
        const auto project = manager->createProject(name, QDir(documents.filePath(name)));
        if (!project || !fillProject(*project, p, p % 2 == 0)) {
            std::fprintf(stderr, "could not build project %d\n", p);
            return 1;
        }
    }
    ProjectListModel model;
    // The first pass also loads the locality lists, which then stay.
    const double first = readAllRoles(model);
    std::vector<double> passes;
    for (int i = 0; i < 10; ++i)
        passes.push_back(readAllRoles(model));
    std::sort(passes.begin(), passes.end());
    std::printf("%d projects x %d localities x %d data, %d roles per row\n", Projects, Localities,
                DataPerLocality, model.roleNames().size());
    std::printf("first pass: %.1f ms; later passes: median %.1f ms (%.2f ms per row), best %.1f ms\n", first,
                passes[passes.size() / 2], passes[passes.size() / 2] / Projects, passes.front());
    delete manager;
    ModelManager::instance() = nullptr;
    return 0;
}
