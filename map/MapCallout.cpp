#include "map/MapCallout.h"

#include "drawing/StoreIfChanged.h"
#include "map/AnnotationRenderItem.h"
#include "map/GLRender.h"
#include "map/MapViewController.h"
#include "model/Data.h"
#include "model/LineData2D.h"
#include "model/Locality.h"
#include "model/Project.h"
#include "model/Strike.h"

#include <osg/Vec4d>

#include <algorithm>
#include <cmath>

namespace kiv {

namespace {

// Stored values are not trusted to fit an int.
int wholeDegrees(double value)
{
    return std::isfinite(value) ? int(std::max(-1e9, std::min(1e9, value))) : 0;
}

QString firstLine(const QString& text)
{
    for (int i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('\n') || text[i] == QLatin1Char('\r'))
            return text.left(i);
    }
    return text;
}

bool finite(const QPointF& point)
{
    return std::isfinite(point.x()) && std::isfinite(point.y());
}

} // namespace

MapCallout::MapCallout(QObject* parent)
    : QObject(parent)
{
}

std::optional<MapCallout::Content> MapCallout::contentOf(const AbstractObject& object, const Context& context)
{
    Content content;
    const double balloonOffset = context.symbolSize * 0.5 / context.glScale;
    if (const auto* locality = dynamic_cast<const Locality*>(&object)) {
        content.label = locality->name();
        content.description = locality->description();
        content.localityPicked = true;
        content.offset = balloonOffset;
    } else if (const auto* data = dynamic_cast<const Data*>(&object)) {
        content.label = dataLabel(*data, true, context.strikeConvention);
        content.imageUrl = imageUrlOf(*data);
        content.imagePicked = data->type() == Data::Image;
        content.offset = balloonOffset;
    } else if (const auto* line = dynamic_cast<const LineData2D*>(&object)) {
        content.label = lineLabel(*line, context.project.get());
        content.description = line->comment();
    } else {
        return std::nullopt;
    }
    return content;
}

QString MapCallout::dataLabel(const Data& data, bool callout, bool strikeConvention)
{
    const QString degrees = callout ? QString(QChar(0x00B0)) : QString();
    const auto twoAngles = [&degrees](const char* format, double first, double second) {
        return QString::fromLatin1(format).arg(QString::number(wholeDegrees(first)),
                                               QString::number(wholeDegrees(second)), degrees);
    };
    switch (data.type()) {
    case Data::Plane:
        if (callout && strikeConvention)
            return twoAngles("Dip: %1%3  Strike: %2%3", data.dip(), strikeFromDipAzimuth(double(data.azimuth())));
        return twoAngles("Dip: %1%3  Azimuth: %2%3", data.dip(), data.azimuth());
    case Data::Lineation:
        return twoAngles("Plunge: %1%3  Azimuth: %2%3", data.plunge(), data.plungeAzimuth());
    case Data::Image:
        // Outside [0, 360) the photograph has no heading.
        if (!(data.azimuth() >= 0.0f && data.azimuth() < 360.0f))
            return QStringLiteral("Image");
        return QStringLiteral("Direction: %1%2").arg(wholeDegrees(data.azimuth())).arg(degrees);
    case Data::Sighting:
        return QStringLiteral("Azimuth: %1%2").arg(wholeDegrees(data.azimuth())).arg(degrees);
    default:
        return firstLine(data.comment());
    }
}

QString MapCallout::lineLabel(const LineData2D& line, const Project* project)
{
    return project ? project->unitName(line.unitId()) : QStringLiteral("No unit");
}

QString MapCallout::imageUrlOf(const Data& data)
{
    return data.type() == Data::Image ? QStringLiteral("image://thumbnail/") + data.imagePath() : QString();
}

int MapCallout::categoryOf(const AbstractObject& object)
{
    if (dynamic_cast<const Locality*>(&object))
        return MapViewController::FilterAnnotations;
    if (const auto* data = dynamic_cast<const Data*>(&object)) {
        const bool structural = data->type() == Data::Plane || data->type() == Data::Lineation;
        return structural ? MapViewController::FilterData : MapViewController::FilterAnnotations;
    }
    if (dynamic_cast<const LineData2D*>(&object))
        return MapViewController::FilterLines;
    return 0;
}

QPointF MapCallout::anchorShift(const AbstractObject* object, const Context& context)
{
    const int h = int(context.symbolSize / (2.0 * context.uiScale * context.glScale));
    if (const auto* data = dynamic_cast<const Data*>(object)) {
        if (data->type() == Data::Annotation)
            return QPointF(AnnotationRenderItem::NoteOffset * h, AnnotationRenderItem::NoteOffset * h);
    } else if (dynamic_cast<const Locality*>(object)) {
        return QPointF(0.0, -h);
    }
    return QPointF();
}

std::optional<QPointF> MapCallout::screenPosition(const osg::Vec3d& world, const osg::Matrixd& viewProjection,
                                                  const QSizeF& window)
{
    // Double precision: map coordinates run to 2e7 and single precision
    // would move the anchor by metres when zoomed in.
    const osg::Vec4d clip = osg::Vec4d(world, 1.0) * viewProjection;
    // A perspective camera puts what lies behind it at w <= 0, mirrored.
    if (!(clip.w() > 0.0))
        return std::nullopt;
    const double x = clip.x() / clip.w();
    const double y = clip.y() / clip.w();
    const QPointF position = GLRender::ndcToWindow(x, y, window);
    if (!finite(position))
        return std::nullopt;
    return position;
}

void MapCallout::setPickedScreenPos(const QPointF& pos)
{
    if (std::abs(pos.x() - m_pickedScreenPos.x()) <= 1e-12 && std::abs(pos.y() - m_pickedScreenPos.y()) <= 1e-12)
        return;
    m_pickedScreenPos = pos;
    emit pickedScreenPosChanged(m_pickedScreenPos);
}

void MapCallout::setPickedImageUrl(const QString& url)
{
    if (storeIfChanged(m_pickedImageUrl, url))
        emit pickedImageUrlChanged(m_pickedImageUrl);
}

void MapCallout::setPickedPointLabel(const QString& label)
{
    if (storeIfChanged(m_pickedPointLabel, label))
        emit pickedPointLabelChanged(m_pickedPointLabel);
}

void MapCallout::setPickedPointDescription(const QString& description)
{
    if (storeIfChanged(m_pickedPointDescription, description))
        emit pickedPointDescriptionChanged(m_pickedPointDescription);
}

void MapCallout::setCalloutOffset(double offset)
{
    if (storeIfChanged(m_calloutOffset, offset))
        emit calloutOffsetChanged(m_calloutOffset);
}

void MapCallout::setBelow(bool below)
{
    if (storeIfChanged(m_below, below))
        emit belowChanged(m_below);
}

void MapCallout::setPointPicked(bool picked)
{
    if (storeIfChanged(m_pointPicked, picked))
        emit pointPickedChanged(m_pointPicked);
}

void MapCallout::setImagePicked(bool picked)
{
    if (storeIfChanged(m_imagePicked, picked))
        emit imagePickedChanged(m_imagePicked);
}

void MapCallout::setLocalityPicked(bool picked)
{
    if (storeIfChanged(m_localityPicked, picked))
        emit localityPickedChanged(m_localityPicked);
}

void MapCallout::show(const Content& content, const osg::Vec3d& world, const QPointF& anchor)
{
    setPointPicked(true);
    setPickedScreenPos(finite(anchor) ? anchor : Nowhere);
    m_world = world;
    setPickedPointLabel(content.label);
    setPickedPointDescription(content.description);
    setImagePicked(content.imagePicked);
    setLocalityPicked(content.localityPicked);
    setPickedImageUrl(content.imageUrl);
    setCalloutOffset(content.offset);
    setBelow(content.below);
}

void MapCallout::hide()
{
    unpick();
    setPickedImageUrl(QString());
    setPickedPointLabel(QString());
    setPickedPointDescription(QString());
}

void MapCallout::clear()
{
    hide();
    m_category = 0;
}

void MapCallout::unpick()
{
    setPointPicked(false);
    setImagePicked(false);
    setLocalityPicked(false);
}

void MapCallout::follow(const osg::Matrixd& viewProjection, const QSizeF& window, const QPointF& shift)
{
    const std::optional<QPointF> seen = screenPosition(m_world, viewProjection, window);
    setPickedScreenPos(seen ? *seen + shift : Nowhere);
}

} // namespace kiv
