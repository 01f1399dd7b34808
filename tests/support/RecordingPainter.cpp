#include "support/RecordingPainter.h"

#include "drawing/AbstractPath.h"

#include <QRegularExpression>
#include <QtMath>

#include <cmath>

namespace kiv::test {

namespace {

class RecordingPath : public AbstractPath
{
public:
    void startSubpath(float x, float y) override { add(QStringLiteral("M"), x, y); }
    void lineTo(float x, float y) override { add(QStringLiteral("L"), x, y); }
    void closeSubpath() override { m_steps << QStringLiteral("Z"); }

    QString steps() const { return m_steps.join(QLatin1Char(' ')); }

private:
    void add(const QString& step, float x, float y)
    {
        m_steps << step << RecordingPainter::number(x) << RecordingPainter::number(y);
    }

    QStringList m_steps;
};

} // namespace

RecordingPainter::RecordingPainter(float width, float height)
    : AbstractPainter(width, height)
{
}

QString RecordingPainter::number(double value)
{
    const double rounded = std::round(value * 100.0) / 100.0;
    // No "-0" for values that round to zero from below.
    return QString::number(rounded == 0.0 ? 0.0 : rounded, 'f', 2)
        .remove(QRegularExpression(QStringLiteral("\\.?0+$")));
}

void RecordingPainter::log(const QString& name, std::initializer_list<double> numbers)
{
    QString call = name;
    for (double value : numbers)
        call += QLatin1Char(' ') + number(value);
    m_calls << call;
}

void RecordingPainter::setLineWidth(float width)
{
    storeLineWidth(width);
    log(QStringLiteral("setLineWidth"), {width});
}

void RecordingPainter::setColor(const std::string& color)
{
    storeColor(color);
    m_calls << QStringLiteral("setColor ") + QString::fromStdString(color);
}

void RecordingPainter::setCapStyle(int style)
{
    storeCapStyle(style);
    log(QStringLiteral("setCapStyle"), {double(style)});
}

void RecordingPainter::setJoinStyle(int style)
{
    storeJoinStyle(style);
    log(QStringLiteral("setJoinStyle"), {double(style)});
}

void RecordingPainter::setFillMode(int mode)
{
    storeFillMode(mode);
    log(QStringLiteral("setFillMode"), {double(mode)});
}

void RecordingPainter::drawPolyline(const PainterPoints& points)
{
    QString call = QStringLiteral("drawPolyline");
    for (const PainterPoint& point : points)
        call += QLatin1Char(' ') + number(point.x) + QLatin1Char(' ') + number(point.y);
    m_calls << call;
}

void RecordingPainter::drawLine(float x1, float y1, float x2, float y2)
{
    log(QStringLiteral("drawLine"), {x1, y1, x2, y2});
}

void RecordingPainter::drawArc(float cx, float cy, float radius, float startAngle,
                               float endAngle, bool clockwise)
{
    log(QStringLiteral("drawArc"),
        {cx, cy, radius, qRadiansToDegrees(double(startAngle)), qRadiansToDegrees(double(endAngle))});
    m_calls.last() += clockwise ? QStringLiteral(" cw") : QStringLiteral(" ccw");
}

void RecordingPainter::drawPath(const std::shared_ptr<AbstractPath>& path)
{
    const auto* own = dynamic_cast<const RecordingPath*>(path.get());
    m_calls << QStringLiteral("drawPath ") + (own ? own->steps() : QStringLiteral("foreign"));
}

std::shared_ptr<AbstractPath> RecordingPainter::createPath()
{
    return std::make_shared<RecordingPath>();
}

} // namespace kiv::test
