precision mediump float;

uniform sampler2D diffuseMap;

varying vec2 vTexCoord;
varying vec4 vColor;

void main()
{
    gl_FragColor = texture2D(diffuseMap, vTexCoord);
}
