#pragma once

#include "model/LineJoin.h"
#include "tools/Tool.h"

#include <osg/Node>
#include <osg/ref_ptr>

#include <QColor>
#include <QList>
#include <QMutex>
#include <QPointF>
#include <QString>

#include <memory>
#include <vector>

namespace kiv {

class AbstractCommand;
class GLRender;
class LineData2D;

// Draws lines and polygons in the current rock unit (free-hand, point to
// point under the reticule, or as a virtual stylus) and edits the vertices
// of the selected line. The line being drawn is painted by the frame hook.
class LineTool : public Tool
{
    Q_OBJECT
    Q_PROPERTY(int numPoints READ numPoints NOTIFY numPointsChanged)
    Q_PROPERTY(double opacity READ opacity WRITE setOpacity NOTIFY opacityChanged)
    Q_PROPERTY(double lineThickness READ lineThickness WRITE setLineThickness NOTIFY lineThicknessChanged)
    Q_PROPERTY(Qt::PenStyle lineStyle READ lineStyle WRITE setLineStyle NOTIFY lineStyleChanged)
    Q_PROPERTY(bool filled READ filled WRITE setFilled NOTIFY filledChanged)
    Q_PROPERTY(PenMode penMode READ penMode WRITE setPenMode NOTIFY penModeChanged)
    Q_PROPERTY(bool editModeEnabled READ editModeEnabled WRITE setEditModeEnabled NOTIFY editModeEnabledChanged)

public:
    enum PenMode { FreeHand = 0, PointToPoint = 1, VirtualStylus = 2 };
    Q_ENUM(PenMode)

    // The touch state; the numbers skip 3 and are the tool's own.
    enum class DragState {
        Idle = 0,
        Pressed = 1,
        Stroking = 2,
        ReticuleIdle = 4,
        VertexPressed = 5,
        VertexDragging = 6,
        VertexMenu = 7,
        // A free-hand stroke whose press was taken away: kept unsaved until
        // finished or dropped.
        StrokeHeld = 8
    };

    // An existing line whose end touches an end of the drawn line.
    using SnapCandidate = LineJoin::Candidate;

    static const QString SaveFailedText;
    static const QString NoRockUnitText;
    static const QString ColumnEditingText;

    explicit LineTool(QObject* parent = nullptr);
    ~LineTool() override;

    int numPoints() const;
    double opacity() const { return m_opacity; }
    double lineThickness() const { return m_lineThickness; }
    Qt::PenStyle lineStyle() const { return m_lineStyle; }
    bool filled() const { return m_filled; }
    PenMode penMode() const { return m_penMode; }
    bool editModeEnabled() const { return m_editModeEnabled; }

    void setOpacity(double opacity);
    void setLineThickness(double thickness);
    void setLineStyle(Qt::PenStyle style);
    void setFilled(bool filled);
    void setPenMode(PenMode mode);
    void setEditModeEnabled(bool enabled);

    DragState dragState() const { return m_dragState; }
    double dragThreshold() const { return m_dragThreshold; }
    const std::shared_ptr<LineData2D>& pickedLine() const { return m_pickedLine; }
    // The node last built by the frame hook; null when nothing is shown.
    osg::ref_ptr<osg::Node> overlayNode() const;

    // Stores the drawn line (reduced, in a locality, joined where it meets
    // the selected line). False, with an error toast, when nothing was saved.
    bool saveLine();
    std::vector<SnapCandidate> findSnapCandidates(const QString& selectedItemId) const;
    bool extendExistingLine(const SnapCandidate& candidate);
    bool joinExistingLines(const SnapCandidate& first, const SnapCandidate& second);

    Q_INVOKABLE double x(int i) const;
    Q_INVOKABLE double y(int i) const;
    Q_INVOKABLE void addPickedPoint(QPointF pickScreenPt, QPointF pickLatLg);
    Q_INVOKABLE void trackPickedPoint(QPointF pickScreenPt, QPointF pickLatLg);
    Q_INVOKABLE void popPickedPoints();
    Q_INVOKABLE void resetPickedPoints();
    Q_INVOKABLE void savePickedPoints(QPointF pickScreenPt, QPointF pickLatLg);
    // Stores a held stroke as its release would have; nothing otherwise.
    Q_INVOKABLE void finishHeldStroke();

public slots:
    void toolActivated() override;
    void toolDeactivated() override;
    void frame(kiv::GLRender* render) override;
    bool mousePressed(double x, double y, Qt::MouseButtons buttons) override;
    bool mouseReleased(double x, double y, Qt::MouseButtons buttons, bool longPress) override;
    bool mouseMoved(double x, double y, Qt::MouseButtons buttons) override;
    bool mouseDoubleClicked(double x, double y, Qt::MouseButtons buttons) override;
    bool mousePressAndHold(double x, double y, Qt::MouseButtons buttons) override;
    void mouseCanceled() override;

    void deletePointFromLine(QString lineId, int pointIndex);
    void splitLine(QString lineId, int pointIndex);
    void onCurrentRockUnitChanged(int unitId);
    void onPenModeChanged(kiv::LineTool::PenMode mode);
    void onEditModeEnabledChanged(bool enabled);
    bool addPointToExistingLine(double x, double y);
    bool removePointFromExistingLine(double x, double y);

signals:
    void numPointsChanged(int numPoints);
    void opacityChanged(double opacity);
    void lineThicknessChanged(double lineThickness);
    void lineStyleChanged(Qt::PenStyle lineStyle);
    void filledChanged(bool filled);
    void penModeChanged(kiv::LineTool::PenMode penMode);
    void editModeEnabledChanged(bool editModeEnabled);
    void showDeleteLinePoint(double x, double y, QString lineId, int pointIndex, bool enableSplit);
    void hideDeleteLinePoint();

private:
    // What the frame hook draws, copied on the GUI thread at each dirty mark.
    struct Overlay
    {
        std::shared_ptr<const LineData2D> line;
        DragState state = DragState::Idle;
        PenMode penMode = FreeHand;
        QColor colour;
        bool dirty = false;
    };

    void readSettings();
    void writeLineSettings() const;
    DragState restingState() const;
    std::shared_ptr<LineData2D> newLine() const;
    std::shared_ptr<LineData2D> selectedLine() const;
    bool geoAt(double x, double y, double& longitude, double& latitude) const;
    bool screenOf(double longitude, double latitude, QPointF& screen) const;
    void appendStrokePoint(double x, double y);
    int vertexAt(double x, double y) const;
    void requestRedraw();
    void requestFrame() const;
    // Why a new line cannot take the current unit now; empty when it can.
    QString unitRefusal() const;
    void toastSaveFailed() const;
    static void toastError(const QString& message, int duration);
    // Runs the commands as one undo step; false (with the error toast) when
    // any of them failed.
    bool runCommands(const std::vector<std::shared_ptr<AbstractCommand>>& commands) const;
    void reduce(LineData2D& line) const;
    bool assignLocality(LineData2D& line) const;
    bool addPickedLine();

    DragState m_dragState = DragState::Idle;
    QList<QPointF> m_screenPoints;
    std::shared_ptr<LineData2D> m_pickedLine;
    osg::ref_ptr<osg::Node> m_overlayNode;
    int m_pickedPointIndex = -1;
    double m_pickRadius = 5.0;
    double m_dragThreshold = 2.0;
    double m_dragDistance = 0.0;
    QPointF m_pressPosition;

    double m_opacity = 1.0;
    double m_lineThickness = 2.0;
    Qt::PenStyle m_lineStyle = Qt::SolidLine;
    bool m_filled = false;
    PenMode m_penMode = FreeHand;
    bool m_editModeEnabled = false;

    mutable QMutex m_overlayMutex;
    Overlay m_overlay;
};

} // namespace kiv
