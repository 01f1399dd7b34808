precision mediump float;

uniform vec4 checkColour;

void main()
{
    gl_FragColor = checkColour;
}
