#include <QtTest>

#include "model/LineData2D.h"
#include "model/LineJoin.h"

#include <map>
#include <memory>

using kiv::LineData2D;
using kiv::LineJoin;
using Ends = LineJoin::Ends;
using Action = LineJoin::Plan::Action;

Q_DECLARE_METATYPE(LineJoin::Ends)
Q_DECLARE_METATYPE(LineJoin::Plan::Action)

namespace {

// Named vertices, (latitude, longitude); every name lies apart from the others.
const std::map<QString, LineData2D::Point> Vertices = {
    {"k0", {46.0, 7.0}}, {"k1", {46.1, 7.0}}, {"r0", {46.5, 7.5}}, {"r1", {46.6, 7.5}}, {"r2", {46.7, 7.5}},
    {"n0", {46.2, 7.2}}, {"n1", {46.3, 7.3}}, {"n2", {46.4, 7.4}}, {"p0", {45.0, 6.0}}, {"p1", {45.1, 6.1}},
    {"p2", {45.2, 6.2}}, {"p3", {45.3, 6.3}}};

// A line through the named vertices, in its own looks.
std::shared_ptr<LineData2D> lineThrough(const std::string& id, const QStringList& names, int style = LineData2D::Solid,
                                        float thickness = 3.0f)
{
    auto line = LineData2D::create(id, "locality-" + id, 4, style, false, QStringLiteral("comment ") + id.c_str());
    line->setThickness(thickness);
    line->setOpacity(0.5f);
    line->setTimeStamp(1700000000);
    for (const QString& name : names)
        line->addPoint(Vertices.at(name).first, Vertices.at(name).second);
    return line;
}

// The drawn line: dashed and thick, so its looks can be told apart.
std::shared_ptr<LineData2D> drawnThrough(const QStringList& names)
{
    auto line = lineThrough("drawn", names, LineData2D::Dashed, 9.0f);
    line->setOpacity(0.8f);
    return line;
}

QStringList namesOf(const LineData2D& line)
{
    QStringList names;
    for (const LineData2D::Point& point : line.points()) {
        QString found = QStringLiteral("?");
        for (const auto& [name, vertex] : Vertices) {
            if (vertex == point)
                found = name;
        }
        names << found;
    }
    return names;
}

bool hasLooksOf(const LineData2D& line, const LineData2D& source)
{
    return line.lineStyle() == source.lineStyle() && line.thickness() == source.thickness()
           && line.opacity() == source.opacity();
}

// The fields that joining never changes.
void compareIdentity(const LineData2D& line, const LineData2D& source)
{
    QCOMPARE(line.id(), source.id());
    QCOMPARE(line.localityId(), source.localityId());
    QCOMPARE(line.unitId(), source.unitId());
    QCOMPARE(line.isFilled(), source.isFilled());
    QCOMPARE(line.comment(), source.comment());
}

// "a:1:3.5" is line a touching with end code 1 at 3.5 pixels.
std::vector<LineJoin::Candidate> candidatesOf(const QStringList& touches)
{
    std::vector<LineJoin::Candidate> candidates;
    for (const QString& touch : touches) {
        const QStringList fields = touch.split(':');
        candidates.push_back({lineThrough(fields[0].toStdString(), {"k0", "k1"}), fields[2].toFloat(),
                              Ends(fields[1].toInt())});
    }
    return candidates;
}

QString idOf(const LineJoin::Candidate& candidate)
{
    return candidate.line ? QString::fromStdString(candidate.line->id()) : QString();
}

} // namespace

class TestLineJoin : public QObject
{
    Q_OBJECT

private slots:
    void touchingEnds_data()
    {
        QTest::addColumn<QPointF>("lineFirst");
        QTest::addColumn<QPointF>("lineLast");
        QTest::addColumn<float>("radius");
        QTest::addColumn<bool>("touches");
        QTest::addColumn<Ends>("ends");
        QTest::addColumn<float>("distance");
        // The drawn line runs from (0, 0) to (100, 0).
        QTest::newRow("first at last") << QPointF(50, 50) << QPointF(3, 4) << 10.0f << true << Ends::FirstLast << 5.0f;
        QTest::newRow("first at first") << QPointF(3, 4) << QPointF(50, 50) << 10.0f << true << Ends::FirstFirst
                                        << 5.0f;
        QTest::newRow("last at first") << QPointF(103, 4) << QPointF(50, 50) << 10.0f << true << Ends::LastFirst
                                       << 5.0f;
        QTest::newRow("last at last") << QPointF(50, 50) << QPointF(97, -4) << 10.0f << true << Ends::LastLast
                                      << 5.0f;
        QTest::newRow("first at last is tested before a nearer first")
            << QPointF(1, 0) << QPointF(2, 0) << 10.0f << true << Ends::FirstLast << 2.0f;
        QTest::newRow("the drawn start is tested before its end")
            << QPointF(100, 1) << QPointF(6, 8) << 20.0f << true << Ends::FirstLast << 10.0f;
        QTest::newRow("distance equal to the radius") << QPointF(50, 50) << QPointF(3, 4) << 5.0f << false
                                                      << Ends::FirstFirst << 0.0f;
        QTest::newRow("just inside the radius") << QPointF(50, 50) << QPointF(3, 4) << 5.001f << true
                                                << Ends::FirstLast << 5.0f;
        QTest::newRow("far from both ends") << QPointF(50, 50) << QPointF(50, -50) << 10.0f << false
                                            << Ends::FirstFirst << 0.0f;
    }

    void touchingEnds()
    {
        QFETCH(QPointF, lineFirst);
        QFETCH(QPointF, lineLast);
        QFETCH(float, radius);
        QFETCH(bool, touches);
        const auto touch = LineJoin::touchingEnds(QPointF(0, 0), QPointF(100, 0), lineFirst, lineLast, radius);
        QCOMPARE(touch.has_value(), touches);
        if (!touches)
            return;
        QTEST(touch->first, "ends");
        QTEST(touch->second, "distance");
    }

    void plan_data()
    {
        QTest::addColumn<QStringList>("candidates");
        QTest::addColumn<QString>("selected");
        QTest::addColumn<Action>("action");
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::newRow("no candidate") << QStringList() << "a" << Action::Add << "" << "";
        QTest::newRow("one, selected") << QStringList{"a:1:3"} << "a" << Action::Extend << "a" << "";
        QTest::newRow("one, not selected") << QStringList{"a:1:3"} << "b" << Action::Add << "a" << "";
        QTest::newRow("opposite ends, nearer selected")
            << QStringList{"a:1:3", "b:2:4"} << "a" << Action::Join << "a" << "b";
        QTest::newRow("opposite ends, farther selected is put first")
            << QStringList{"a:1:3", "b:2:4"} << "b" << Action::Join << "b" << "a";
        QTest::newRow("opposite ends, neither selected")
            << QStringList{"a:1:3", "b:2:4"} << "c" << Action::Add << "a" << "b";
        QTest::newRow("same end, nearer selected") << QStringList{"a:1:3", "b:0:4"} << "a" << Action::Extend << "a"
                                                   << "";
        QTest::newRow("same end, farther selected") << QStringList{"a:1:3", "b:0:4"} << "b" << Action::Add << "a"
                                                    << "";
        QTest::newRow("sorted by distance") << QStringList{"b:3:4", "a:0:3"} << "a" << Action::Join << "a" << "b";
        QTest::newRow("equal distances keep their order")
            << QStringList{"a:1:3", "c:3:3", "b:2:3"} << "a" << Action::Join << "a" << "c";
        QTest::newRow("a farther line at the other end is not joined")
            << QStringList{"a:0:1", "b:1:2", "c:3:5", "d:2:6"} << "d" << Action::Add << "a" << "c";
        QTest::newRow("a nearer line at the same end is passed over")
            << QStringList{"a:0:1", "b:1:2", "c:3:5", "d:2:6"} << "a" << Action::Join << "a" << "c";
    }

    void plan()
    {
        QFETCH(QStringList, candidates);
        QFETCH(QString, selected);
        const LineJoin::Plan plan = LineJoin::plan(candidatesOf(candidates), selected.toStdString());
        QTEST(plan.action, "action");
        QTEST(idOf(plan.first), "first");
        QTEST(idOf(plan.second), "second");
    }

    void extended_data()
    {
        QTest::addColumn<Ends>("ends");
        QTest::addColumn<QStringList>("path");
        QTest::newRow("first at first") << Ends::FirstFirst << QStringList{"n2", "n1", "k0", "k1"};
        QTest::newRow("first at last") << Ends::FirstLast << QStringList{"k0", "k1", "n1", "n2"};
        QTest::newRow("last at first") << Ends::LastFirst << QStringList{"n0", "n1", "k0", "k1"};
        QTest::newRow("last at last") << Ends::LastLast << QStringList{"k0", "k1", "n1", "n0"};
    }

    void extended()
    {
        QFETCH(Ends, ends);
        const auto existing = lineThrough("k", {"k0", "k1"});
        const auto drawn = drawnThrough({"n0", "n1", "n2"});
        const auto line = LineJoin::extended({existing, 1.0f, ends}, *drawn);
        QVERIFY(line);
        QTEST(namesOf(*line), "path");
        compareIdentity(*line, *existing);
        QVERIFY(hasLooksOf(*line, *drawn));
        QCOMPARE(namesOf(*existing), QStringList({"k0", "k1"}));
    }

    void extendedNeedsTwoDrawnPoints_data()
    {
        QTest::addColumn<QStringList>("drawn");
        QTest::addColumn<QStringList>("path");
        QTest::newRow("no point") << QStringList() << QStringList();
        QTest::newRow("one point") << QStringList{"n0"} << QStringList();
        QTest::newRow("two points") << QStringList{"n0", "n1"} << QStringList{"k0", "k1", "n0"};
    }

    void extendedNeedsTwoDrawnPoints()
    {
        QFETCH(QStringList, drawn);
        QFETCH(QStringList, path);
        const auto line = LineJoin::extended({lineThrough("k", {"k0", "k1"}), 1.0f, Ends::LastLast},
                                             *drawnThrough(drawn));
        QCOMPARE(line ? namesOf(*line) : QStringList(), path);
        QCOMPARE(bool(line), !path.isEmpty());
        QVERIFY(!LineJoin::extended({nullptr, 1.0f, Ends::LastLast}, *drawnThrough({"n0", "n1"})));
    }

    void joined_data()
    {
        QTest::addColumn<Ends>("keptEnds");
        QTest::addColumn<Ends>("removedEnds");
        QTest::addColumn<bool>("keptFirst");
        QTest::addColumn<QStringList>("path"); // empty: no join
        QTest::newRow("1-2") << Ends::FirstLast << Ends::LastFirst << true
                             << QStringList{"k0", "k1", "n1", "n2", "r0", "r1", "r2"};
        QTest::newRow("1-3") << Ends::FirstLast << Ends::LastLast << true
                             << QStringList{"k0", "k1", "n1", "n2", "r2", "r1", "r0"};
        QTest::newRow("0-2") << Ends::FirstFirst << Ends::LastFirst << true
                             << QStringList{"r2", "r1", "r0", "n2", "n1", "k0", "k1"};
        QTest::newRow("0-3") << Ends::FirstFirst << Ends::LastLast << true
                             << QStringList{"r0", "r1", "r2", "n2", "n1", "k0", "k1"};
        QTest::newRow("removed line given first") << Ends::FirstLast << Ends::LastFirst << false
                                                  << QStringList{"k0", "k1", "n1", "n2", "r0", "r1", "r2"};
        QTest::newRow("both at the drawn start") << Ends::FirstLast << Ends::FirstFirst << true << QStringList();
        QTest::newRow("both at the drawn end") << Ends::LastLast << Ends::LastFirst << true << QStringList();
    }

    void joined()
    {
        QFETCH(Ends, keptEnds);
        QFETCH(Ends, removedEnds);
        QFETCH(bool, keptFirst);
        QFETCH(QStringList, path);
        const auto kept = lineThrough("k", {"k0", "k1"});
        const auto removed = lineThrough("r", {"r0", "r1", "r2"}, LineData2D::Dotted, 5.0f);
        const auto drawn = drawnThrough({"n0", "n1", "n2"});
        const LineJoin::Candidate k{kept, 2.0f, keptEnds};
        const LineJoin::Candidate r{removed, 1.0f, removedEnds};
        const LineJoin::Joined joined = keptFirst ? LineJoin::joined(k, r, *drawn) : LineJoin::joined(r, k, *drawn);
        QCOMPARE(namesOf(*kept), QStringList({"k0", "k1"}));
        if (path.isEmpty()) {
            QVERIFY(!joined.kept && !joined.removed);
            return;
        }
        QVERIFY(joined.kept);
        QCOMPARE(joined.removed, removed);
        QCOMPARE(namesOf(*joined.kept), path);
        compareIdentity(*joined.kept, *kept);
        // The kept line takes the drawn looks only when it came second.
        QVERIFY(hasLooksOf(*joined.kept, keptFirst ? *kept : *drawn));
    }

    void split_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<bool>("filled");
        QTest::addColumn<QStringList>("kept"); // empty: no split
        QTest::addColumn<QStringList>("cut");
        QTest::newRow("before the first vertex") << -1 << false << QStringList() << QStringList();
        QTest::newRow("first vertex") << 0 << false << QStringList() << QStringList();
        QTest::newRow("second vertex") << 1 << false << QStringList{"p1", "p2", "p3"} << QStringList{"p0", "p1"};
        QTest::newRow("second to last vertex") << 2 << false << QStringList{"p2", "p3"}
                                               << QStringList{"p0", "p1", "p2"};
        QTest::newRow("last vertex") << 3 << false << QStringList() << QStringList();
        QTest::newRow("beyond the last vertex") << 4 << false << QStringList() << QStringList();
        QTest::newRow("filled") << 1 << true << QStringList() << QStringList();
    }

    void split()
    {
        QFETCH(int, index);
        QFETCH(bool, filled);
        QFETCH(QStringList, kept);
        QFETCH(QStringList, cut);
        const auto line = lineThrough("s", {"p0", "p1", "p2", "p3"}, LineData2D::Dotted);
        line->setFilled(filled);
        const auto [first, second] = LineJoin::split(*line, index, "new");
        QCOMPARE(namesOf(*line), QStringList({"p0", "p1", "p2", "p3"}));
        if (kept.isEmpty()) {
            QVERIFY(!first && !second);
            return;
        }
        QVERIFY(first && second);
        QCOMPARE(namesOf(*first), kept);
        QCOMPARE(namesOf(*second), cut);
        compareIdentity(*first, *line);
        QCOMPARE(second->id(), std::string("new"));
        QCOMPARE(second->localityId(), line->localityId());
        QCOMPARE(second->unitId(), line->unitId());
        QCOMPARE(second->comment(), line->comment());
        QCOMPARE(second->timeStamp(), line->timeStamp());
        QVERIFY(hasLooksOf(*second, *line));
    }
};

QTEST_GUILESS_MAIN(TestLineJoin)
#include "tst_linejoin.moc"
