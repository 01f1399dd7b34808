// The stereonet at 3,002 data (1,800 planes, 600 lineations, 300 sightings,
// 302 notes in 30 localities):
// - the plot's own cost: one draw of the net with every datum at 600 x 600,
//   in both projections;
// - opening the stereonet panel, as a tap on its tool bar button does: the
//   time until the plot with its data is on screen, the GUI thread's CPU
//   time in that span, and the longest the GUI thread kept a 1 ms timer
//   waiting (a wait longer than a frame, 16 ms, is a freeze). The first
//   opening of each of five fresh panels, then a later opening of the last.
// Needs a display (run under xvfb-run with LIBGL_ALWAYS_SOFTWARE=1).
#include "MedianTiming.h"

#include "app/ApplicationManager.h"
#include "app/DialogController.h"
#include "drawing/QPainterImplementation.h"
#include "drawing/StereoNetPlot.h"
#include "model/Data.h"
#include "model/Locality.h"
#include "model/ModelManager.h"
#include "model/Project.h"

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QQmlComponent>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

using namespace kiv;

namespace {

const int Localities = 30;
const int DataCount = 3002;
const int Planes = 1800;
const int Lineations = 600;
const int Sightings = 300;

std::string idOf(int n)
{
    return QStringLiteral("%1").arg(n, 32, 16, QLatin1Char('0')).toStdString();
}

double threadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// In memory, as a project is after it opened.
void fill(Project& project)
{
    project.addRockUnit(1, QStringLiteral("Granite"), QColor("#cc3333"), 0);
    project.addRockUnit(2, QStringLiteral("Schist"), QColor("#3333cc"), 0);
    project.addRockUnit(3, QStringLiteral("Marble"), QColor("#33aa33"), 0);
    int planeSymbol = 0, lineSymbol = 0, sightingSymbol = 0;
    for (const Project::Symbol& symbol : project.symbols()) {
        int& slot = symbol.symbolType == Project::Line           ? lineSymbol
                    : symbol.symbolType == Project::SightingType ? sightingSymbol
                                                                 : planeSymbol;
        if (slot == 0)
            slot = symbol.id;
    }
    QRandomGenerator random(7);
    int next = 0;
    int made = 0;
    for (int l = 0; l < Localities; ++l) {
        const auto locality = project.createLocality(idOf(++next));
        locality->setTimeStamp(1600000000 + l * 1000);
        const int count = DataCount / Localities + (l < DataCount % Localities ? 1 : 0);
        for (int i = 0; i < count; ++i, ++made) {
            const float azimuth = float(random.bounded(360.0));
            const float dip = float(random.bounded(90.0));
            const int unit = 1 + made % 3;
            const std::string id = idOf(++next);
            std::shared_ptr<kiv::Data> datum;
            if (made < Planes)
                datum = locality->addPlane(id, 46.0, 7.0, dip, azimuth, unit, planeSymbol, {});
            else if (made < Planes + Lineations)
                datum = locality->addLineation(id, 46.0, 7.0, dip, azimuth, unit, lineSymbol, {});
            else if (made < Planes + Lineations + Sightings)
                datum = locality->addSighting(id, 46.0, 7.0, azimuth, unit, sightingSymbol, {});
            else
                datum = locality->addAnnotation(id, 46.0, 7.0, QStringLiteral("note"));
            datum->setTimeStamp(locality->timeStamp() + i);
        }
    }
}

void measurePlot(Project& project)
{
    QList<kiv::Data*> all;
    for (const auto& locality : project.localities()) {
        for (const auto& datum : locality->data())
            all << datum.get();
    }
    StereoNetPlot plot(&project, 1.0f);
    plot.setData(all);
    QImage image(600, 600, QImage::Format_ARGB32_Premultiplied);
    QPainterImplementation painter(600.0f, 600.0f);
    for (const bool equalArea : {true, false}) {
        plot.setEqualArea(equalArea);
        measureMedian(equalArea ? "plot 600 x 600, equal-area" : "plot 600 x 600, equal-angle", 9, [&] {
            image.fill(Qt::transparent);
            QPainter target(&image);
            painter.setPainter(&target);
            plot.draw(painter);
            painter.setPainter(nullptr);
        });
    }
}

// Times from the tap until the plot with its data is on screen.
class Opening
{
public:
    Opening(QQuickView& view, QObject* panel)
        : m_view(view)
        , m_panel(panel)
        , m_net(panel->findChild<QQuickItem*>(QStringLiteral("stereoNet")))
    {
        m_ticker.setTimerType(Qt::PreciseTimer);
        m_ticker.setInterval(1);
        QObject::connect(&m_ticker, &QTimer::timeout, [this] {
            const qint64 now = m_clock.nsecsElapsed();
            m_longestWait = std::max(m_longestWait, now - m_lastTick);
            m_lastTick = now;
        });
        QObject::connect(&view, &QQuickWindow::frameSwapped, [this] {
            if (!plotting())
                m_shown = true;
        });
    }

    void run(const char* what)
    {
        setActive(false);
        settle();
        m_shown = false;
        m_longestWait = 0;
        m_clock.start();
        m_lastTick = 0;
        m_ticker.start();
        const double cpu = threadCpuMs();
        setActive(true);
        while (!m_shown && m_clock.elapsed() < 60000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        const double wall = m_clock.nsecsElapsed() / 1e6;
        const double cpuUsed = threadCpuMs() - cpu;
        m_ticker.stop();
        std::printf("%-30s on screen after %7.1f ms, GUI thread CPU %7.1f ms, longest wait %6.1f ms\n", what, wall,
                    cpuUsed, std::max(m_longestWait, m_clock.nsecsElapsed() - m_lastTick) / 1e6);
    }

private:
    // An item without the property draws all of it in the frame.
    bool plotting() const { return m_net && m_net->property("plotting").toBool(); }
    void setActive(bool active)
    {
        QMetaObject::invokeMethod(m_panel, "setActive", Q_ARG(QVariant, active));
    }
    void settle()
    {
        QElapsedTimer quiet;
        quiet.start();
        while (quiet.elapsed() < 300 || plotting())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }

    QQuickView& m_view;
    QObject* m_panel;
    QQuickItem* m_net;
    QTimer m_ticker;
    QElapsedTimer m_clock;
    qint64 m_lastTick = 0;
    qint64 m_longestWait = 0;
    bool m_shown = false;
};

QObject* makeTheme(QQmlEngine& engine)
{
    QQmlComponent component(&engine, QUrl(QStringLiteral("qrc:/qml/UI.qml")));
    QObject* ui = component.create(engine.rootContext());
    if (ui)
        ui->setParent(&engine);
    return ui;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QSG_RENDER_LOOP", "basic");
    QGuiApplication app(argc, argv);
    QTemporaryDir documents;
    ApplicationManager manager(nullptr);
    ModelManager::instance() = new ModelManager;
    const std::shared_ptr<Project> project =
        ModelManager::instance()->createProject(QStringLiteral("Bench"), QDir(documents.path()));
    if (!project) {
        std::fprintf(stderr, "no project\n");
        return 1;
    }
    fill(*project);
    ModelManager::instance()->setCurrentProject(project);
    ModelManager::instance()->setCurrentLocality(project->localities().front());
    std::printf("%d data (%d planes) in %d localities\n", DataCount, Planes, Localities);
    measurePlot(*project);

    QQuickView view;
    QQmlEngine& engine = *view.engine();
    manager.registerQmlTypes();
    DialogController dialogs;
    engine.rootContext()->setContextProperty(QStringLiteral("_appManager"), &manager);
    engine.rootContext()->setContextProperty(QStringLiteral("_modelManager"), ModelManager::instance());
    engine.rootContext()->setContextProperty(QStringLiteral("_dialogController"), &dialogs);
    QObject* ui = makeTheme(engine);
    engine.rootContext()->setContextProperty(QStringLiteral("_ui"), ui);
    manager.setUi(ui);
    view.setResizeMode(QQuickView::SizeRootObjectToView);
    const QString page = QDir(documents.path()).filePath(QStringLiteral("page.qml"));
    QFile pageFile(page);
    // The program's window has drawn texts, shapes and painted items before
    // any panel opens: their first-use costs are not the stereonet's.
    if (!pageFile.open(QIODevice::WriteOnly)
        || pageFile.write("import QtQuick 2.4\nimport quarzel.touch 1.0\nItem {\n"
                          "  Text { text: \"Quarzel\" }\n"
                          "  Rectangle { y: 20; width: 20; height: 20; color: \"steelblue\" }\n"
                          "  SymbolItem { y: 40; width: 20; height: 20 }\n}\n")
               < 0)
        return 1;
    pageFile.close();
    view.setSource(QUrl::fromLocalFile(page));
    view.resize(1280, 800);
    view.show();
    for (int i = 0; i < 500 && !view.isExposed(); ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);

    QQmlComponent panelType(&engine, QUrl(QStringLiteral("qrc:/qml/Tools/StereoNetTool.qml")));
    QObject* panel = nullptr;
    for (int fresh = 1; fresh <= 5; ++fresh) {
        delete panel;
        panel = panelType.beginCreate(engine.rootContext());
        if (!panel) {
            std::fprintf(stderr, "%s\n", qPrintable(panelType.errorString()));
            return 1;
        }
        qobject_cast<QQuickItem*>(panel)->setParentItem(view.rootObject());
        panelType.completeCreate();
        Opening opening(view, panel);
        opening.run(qPrintable(QStringLiteral("first opening, panel %1").arg(fresh)));
        if (fresh == 5)
            opening.run("later opening");
    }
    delete panel;
    delete ModelManager::instance();
    ModelManager::instance() = nullptr;
    return 0;
}
