// Lines as ribbons of constant pixel width: each vertex carries the
// segment's normal, which is widened here in screen space, and its distance
// along the line, from which the fragment stage cuts dots and dashes.
attribute highp vec4 osg_Vertex;
attribute vec4 osg_Color;
attribute highp vec2 pointOffset;
attribute highp float pointDistance;

uniform highp mat4 osg_ModelViewProjectionMatrix;
uniform highp vec2 ScreenSize;
uniform highp float lineThickness;
uniform mediump int lineStyle;

varying vec4 vColor;
varying highp float vDistance;
varying highp vec2 vOffset;
varying highp float vThreshold;
varying highp float vWorldThickness;
varying highp float vPeriod;

void main()
{
    highp vec4 position = osg_ModelViewProjectionMatrix * osg_Vertex;
    vColor = osg_Color;
    vDistance = pointDistance;
    vOffset = pointOffset;

    // Translucent lines get no hard core: their stencil would show seams.
    vThreshold = osg_Color.a < 1.0 ? 1.0 : lineThickness / (lineThickness + 2.0);

    // Map units per pixel, probed along the line; a zero-length segment
    // has no normal and probes along x.
    highp vec2 along = vec2(1.0, 0.0);
    if (length(pointOffset) > 1.0e-6)
        along = normalize(vec2(-pointOffset.y, pointOffset.x));
    highp vec4 ahead = osg_ModelViewProjectionMatrix * (osg_Vertex + vec4(along * 100.0, 0.0, 0.0));
    highp float screenLength = length((ahead.xy / ahead.w - position.xy / position.w) * ScreenSize);
    vWorldThickness = screenLength > 0.0 ? (100.0 / screenLength) * lineThickness * 2.0 : 0.0;

    // The dash period snaps to powers of two of map units, so the pattern
    // stays put while zooming between them.
    highp float period = 1.0;
    if ((lineStyle == 1 || lineStyle == 2) && vWorldThickness > 0.0) {
        highp float optimal = vWorldThickness * (lineStyle == 1 ? 2.5 : 5.0);
        if (1.0 > optimal)
            period = 1.0 / ceil(1.0 / optimal);
        else if (1.0 < 2.0 * optimal)
            period = pow(2.0, floor(log2(optimal)));
    }
    vPeriod = period;

    // lineThickness + 1 pixels wide: room for the antialiased edge.
    position.x += pointOffset.x * (lineThickness + 1.0) / ScreenSize.x * position.w;
    position.y += pointOffset.y * (lineThickness + 1.0) / ScreenSize.y * position.w;
    gl_Position = position;
}
