#include "model/LineJoin.h"

#include "model/LineData2D.h"

#include <algorithm>
#include <cmath>

namespace kiv {

namespace {

bool isSelected(const LineJoin::Candidate& candidate, const std::string& selectedId)
{
    return candidate.line && candidate.line->id() == selectedId;
}

} // namespace

float LineJoin::screenDistance(const QPointF& a, const QPointF& b)
{
    const float dx = float(a.x()) - float(b.x());
    const float dy = float(a.y()) - float(b.y());
    return std::sqrt(dx * dx + dy * dy);
}

std::optional<std::pair<LineJoin::Ends, float>> LineJoin::touchingEnds(const QPointF& drawnFirst,
                                                                       const QPointF& drawnLast,
                                                                       const QPointF& lineFirst,
                                                                       const QPointF& lineLast, float radius)
{
    const std::pair<Ends, float> tests[] = {{Ends::FirstLast, screenDistance(drawnFirst, lineLast)},
                                            {Ends::FirstFirst, screenDistance(drawnFirst, lineFirst)},
                                            {Ends::LastFirst, screenDistance(drawnLast, lineFirst)},
                                            {Ends::LastLast, screenDistance(drawnLast, lineLast)}};
    for (const auto& test : tests) {
        if (test.second < radius)
            return test;
    }
    return std::nullopt;
}

LineJoin::Plan LineJoin::plan(std::vector<Candidate> candidates, const std::string& selectedId)
{
    Plan result;
    if (candidates.empty())
        return result;
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const Candidate& a, const Candidate& b) { return a.distance < b.distance; });
    result.first = candidates.front();
    const bool firstAtStart = touchesDrawnStart(result.first.endCode);
    const auto other = std::find_if(candidates.begin() + 1, candidates.end(), [&](const Candidate& c) {
        return touchesDrawnStart(c.endCode) != firstAtStart;
    });
    if (other == candidates.end()) {
        if (isSelected(result.first, selectedId))
            result.action = Plan::Action::Extend;
        return result;
    }
    result.second = *other;
    if (isSelected(result.second, selectedId))
        std::swap(result.first, result.second);
    if (isSelected(result.first, selectedId) || isSelected(result.second, selectedId))
        result.action = Plan::Action::Join;
    return result;
}

std::shared_ptr<LineData2D> LineJoin::extended(const Candidate& candidate, const LineData2D& drawn)
{
    if (!candidate.line || drawn.pointCount() < 2)
        return nullptr;
    const int n = drawn.pointCount();
    auto line = std::make_shared<LineData2D>(*candidate.line);
    switch (candidate.endCode) {
    case Ends::FirstFirst:
        copyPoints(*line, drawn, 1, n - 1, true);
        break;
    case Ends::FirstLast:
        copyPoints(*line, drawn, 1, n - 1, false);
        break;
    case Ends::LastFirst:
        copyPoints(*line, drawn, n - 2, 0, true);
        break;
    case Ends::LastLast:
        copyPoints(*line, drawn, n - 2, 0, false);
        break;
    }
    takeLooks(*line, drawn);
    return line;
}

LineJoin::Joined LineJoin::joined(const Candidate& first, const Candidate& second, const LineData2D& drawn)
{
    if (!first.line || !second.line || drawn.pointCount() < 2 || first.line->pointCount() < 1
        || second.line->pointCount() < 1 || touchesDrawnStart(first.endCode) == touchesDrawnStart(second.endCode))
        return {};
    const bool keepFirst = touchesDrawnStart(first.endCode);
    const Candidate& keep = keepFirst ? first : second;
    const Candidate& removed = keepFirst ? second : first;
    const LineData2D& other = *removed.line;
    auto line = std::make_shared<LineData2D>(*keep.line);
    // One continuous path in the kept line's own direction.
    const bool atFront = keep.endCode == Ends::FirstFirst;
    copyPoints(*line, drawn, 1, drawn.pointCount() - 1, atFront);
    if (removed.endCode == Ends::LastFirst)
        copyPoints(*line, other, 0, other.pointCount() - 1, atFront);
    else
        copyPoints(*line, other, other.pointCount() - 1, 0, atFront);
    if (!keepFirst)
        takeLooks(*line, drawn);
    return {line, removed.line};
}

std::pair<std::shared_ptr<LineData2D>, std::shared_ptr<LineData2D>>
LineJoin::split(const LineData2D& line, int pointIndex, const std::string& newId)
{
    // Only inner vertices: an end vertex would leave a one-point line.
    if (line.isFilled() || pointIndex < 1 || pointIndex > line.pointCount() - 2)
        return {};
    auto kept = std::make_shared<LineData2D>(line);
    kept->removePoints(0, pointIndex);
    auto cut = LineData2D::create(newId, line.localityId(), line.unitId(), line.lineStyle(), line.isFilled(),
                                  line.comment());
    takeLooks(*cut, line);
    cut->setTimeStamp(line.timeStamp());
    copyPoints(*cut, line, 0, pointIndex, false);
    return {kept, cut};
}

void LineJoin::takeLooks(LineData2D& target, const LineData2D& source)
{
    target.setLineStyle(source.lineStyle());
    target.setThickness(source.thickness());
    target.setOpacity(source.opacity());
}

void LineJoin::copyPoints(LineData2D& target, const LineData2D& source, int from, int to, bool atFront)
{
    const int step = from <= to ? 1 : -1;
    for (int i = from; i != to + step; i += step) {
        const auto& [latitude, longitude] = source.pointAt(i);
        if (atFront)
            target.prependPoint(latitude, longitude);
        else
            target.addPoint(latitude, longitude);
    }
}

} // namespace kiv
