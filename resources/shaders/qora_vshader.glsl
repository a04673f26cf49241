attribute highp vec4 vertex;
attribute highp vec4 texCoord;
attribute highp vec3 normal;
uniform highp mat4 matrix;
uniform highp mat4 model;
varying highp vec4 fragmentTexCoord;
varying highp vec3 fragmentPosition;
varying highp vec3 fragmentNormal;

void main()
{
    fragmentTexCoord = texCoord;
    fragmentPosition = vec3(model * vertex);
    fragmentNormal = vec3(model * vec4(normal, 0.0));
    gl_Position = matrix * vertex;
}
