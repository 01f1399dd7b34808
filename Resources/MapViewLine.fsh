#ifdef GL_FRAGMENT_PRECISION_HIGH
precision highp float;
#else
precision mediump float;
#endif

uniform mediump int lineStyle;

varying vec4 vColor;
varying float vDistance;
varying vec2 vOffset;
varying float vThreshold;
varying float vWorldThickness;
varying float vPeriod;

void main()
{
    // 0 on the centre line, 1 at the ribbon's edge.
    float r = length(vOffset);
    if (lineStyle == 1) {
        float into = vDistance - floor(vDistance / vPeriod) * vPeriod;
        if (into > vWorldThickness)
            discard;
        float e = (into / vWorldThickness - 0.5) * 2.0;
        r = r * r + e * e;
    } else if (lineStyle == 2) {
        if (fract(vDistance / vPeriod) < 0.2)
            discard;
    }
    // smoothstep is undefined for equal edges: a translucent line (threshold
    // 1) ends hard at the ribbon's edge.
    float fade = vThreshold < 1.0 ? smoothstep(vThreshold, 1.0, r) : step(1.0, r);
    gl_FragColor = vec4(vColor.rgb, vColor.a * (1.0 - fade));
}
