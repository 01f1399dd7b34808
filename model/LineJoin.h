#pragma once

#include <QPointF>

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kiv {

class LineData2D;

// How a newly drawn line grows or welds the lines its ends touch. Pure
// geometry on the lines' points: the caller finds the screen positions and
// runs the commands.
class LineJoin
{
public:
    // Which ends touch, drawn line first, existing line second.
    enum class Ends { FirstFirst = 0, FirstLast = 1, LastFirst = 2, LastLast = 3 };

    // An existing line whose end touches an end of the drawn line.
    struct Candidate
    {
        std::shared_ptr<LineData2D> line;
        float distance = 0.0f;
        Ends endCode = Ends::FirstFirst;
    };

    // What saving the drawn line does: add it, extend `first`, or weld
    // `first` and `second` through it.
    struct Plan
    {
        enum class Action { Add, Extend, Join };
        Action action = Action::Add;
        Candidate first;
        Candidate second;
    };

    // The line that stays and the one that is welded into it and removed.
    struct Joined
    {
        std::shared_ptr<LineData2D> kept;
        std::shared_ptr<LineData2D> removed;
    };

    // Screen pixels between two points, in single precision as the tool
    // measures touches.
    static float screenDistance(const QPointF& a, const QPointF& b);

    static bool touchesDrawnStart(Ends ends) { return ends == Ends::FirstFirst || ends == Ends::FirstLast; }

    // The first pair of ends closer than the radius, tested drawn first to
    // existing last, first to first, last to first, last to last; distances in
    // single precision.
    static std::optional<std::pair<Ends, float>> touchingEnds(const QPointF& drawnFirst, const QPointF& drawnLast,
                                                              const QPointF& lineFirst, const QPointF& lineLast,
                                                              float radius);

    // Joining happens only through the selected line: the nearest candidate,
    // and the nearest after it at the drawn line's other end.
    static Plan plan(std::vector<Candidate> candidates, const std::string& selectedId);

    // A copy of the candidate's line grown by the drawn one (whose touching
    // end point is left out), with the drawn line's looks; null for a drawn
    // line of fewer than two points.
    static std::shared_ptr<LineData2D> extended(const Candidate& candidate, const LineData2D& drawn);

    // The line at the drawn start, run on through the drawn line into the one
    // at its end, in its own direction. Null lines when the two candidates do
    // not touch opposite ends.
    static Joined joined(const Candidate& first, const Candidate& second, const LineData2D& drawn);

    // The two parts of a line cut at an inner vertex, which both keep: the
    // first keeps the id and the points from the vertex on, the second gets
    // `newId` and the points up to the vertex. Null parts for a filled line or
    // an end vertex.
    static std::pair<std::shared_ptr<LineData2D>, std::shared_ptr<LineData2D>>
    split(const LineData2D& line, int pointIndex, const std::string& newId);

    static void takeLooks(LineData2D& target, const LineData2D& source);
    // Appends (or, at the front, prepends one by one) points [from..to] of a
    // line, stepping towards `to`.
    static void copyPoints(LineData2D& target, const LineData2D& source, int from, int to, bool atFront);
};

} // namespace kiv
