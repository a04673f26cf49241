uniform sampler2D tex;
varying highp vec4 fragmentTexCoord;
varying highp vec3 fragmentPosition;
varying highp vec3 fragmentNormal;

void main()
{
    highp vec3 light = vec3(1.0, 1.0, -4.0);
    highp float diffuse = max(dot(normalize(fragmentNormal), normalize(light - fragmentPosition)), 0.1);
    highp vec3 colour = clamp(texture2D(tex, fragmentTexCoord.st).rgb * diffuse, 0.0, 1.0);
    gl_FragColor = vec4(colour, 1.0);
}
