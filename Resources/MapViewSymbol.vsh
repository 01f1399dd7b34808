// Point symbols: every vertex of a quad sits on the symbol's anchor and is
// pushed out in screen space, so a symbol keeps its pixel size at any zoom.
attribute vec4 osg_Vertex;
attribute vec4 osg_MultiTexCoord0;
attribute vec4 osg_Color;
attribute vec2 pointOffset;

uniform mat4 osg_ModelViewProjectionMatrix;
uniform vec2 ScreenSize;
uniform float symbolSize;

varying vec2 vTexCoord;
varying vec4 vColor;

void main()
{
    vec4 position = osg_ModelViewProjectionMatrix * osg_Vertex;
    // One unit of pointOffset is half a cell on screen.
    position.x += pointOffset.x * symbolSize / ScreenSize.x * position.w;
    position.y += pointOffset.y * symbolSize / ScreenSize.y * position.w;
    gl_Position = position;
    vTexCoord = osg_MultiTexCoord0.xy;
    vColor = osg_Color;
}
