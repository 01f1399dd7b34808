// The smallest program the map can build: proves that the shader resources
// are in the program and that the GL context compiles GLSL ES 1.00.
attribute vec4 osg_Vertex;
uniform mat4 osg_ModelViewProjectionMatrix;

void main()
{
    gl_Position = osg_ModelViewProjectionMatrix * osg_Vertex;
}
