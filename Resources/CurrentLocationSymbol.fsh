precision mediump float;

varying vec2 vTexCoord;
varying vec4 vColor;

void main()
{
    // Squared distance from the quad's centre; the rim fades over its outer fifth.
    float f = dot(vTexCoord.st, vTexCoord.st);
    if (f > 1.0)
        discard;
    gl_FragColor = vec4(vColor.rgb, vColor.a * (1.0 - smoothstep(0.8, 1.0, f)));
}
