#pragma once

#include "drawing/AbstractPainter.h"

#include <QStringList>

namespace kiv::test {

// A painter that draws nothing and logs every set and draw call, one line a
// call: "drawLine 117.5 17.5 117.5 217.5". Numbers are rounded to two
// decimals, arc angles given in degrees followed by "cw" or "ccw", and a
// path as its steps ("drawPath M x y L x y Z"); a path made elsewhere shows
// as "drawPath foreign". createPath itself is not logged.
class RecordingPainter : public AbstractPainter
{
public:
    RecordingPainter(float width, float height);

    const QStringList& calls() const { return m_calls; }
    // The calls joined by "; ".
    QString joined() const { return m_calls.join(QStringLiteral("; ")); }
    void clear() { m_calls.clear(); }

    void setLineWidth(float width) override;
    void setColor(const std::string& color) override;
    void setCapStyle(int style) override;
    void setJoinStyle(int style) override;
    void setFillMode(int mode) override;
    void drawPolyline(const PainterPoints& points) override;
    void drawLine(float x1, float y1, float x2, float y2) override;
    void drawArc(float cx, float cy, float radius, float startAngle, float endAngle,
                 bool clockwise) override;
    void drawPath(const std::shared_ptr<AbstractPath>& path) override;
    std::shared_ptr<AbstractPath> createPath() override;

    // The rounded form of a number as the log writes it.
    static QString number(double value);

private:
    void log(const QString& name, std::initializer_list<double> numbers);

    QStringList m_calls;
};

} // namespace kiv::test
