// Plain filled shapes in their vertex colour.
attribute vec4 osg_Vertex;
attribute vec4 osg_Color;

uniform mat4 osg_ModelViewProjectionMatrix;

varying lowp vec4 vColor;

void main()
{
    gl_Position = osg_ModelViewProjectionMatrix * osg_Vertex;
    vColor = osg_Color;
}
