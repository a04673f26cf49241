#include "OrientationWidget.h"

#include "ConsoleSink.h"

#include <QImage>
#include <QMatrix4x4>
#include <QOpenGLShaderProgram>
#include <QOpenGLTexture>
#include <QTimer>

#include <algorithm>
#include <ostream>

namespace {

constexpr int redrawIntervalMs = 50;

struct BoxVertex {
    GLfloat position[3];
    GLfloat texCoord[2];
    GLfloat normal[3];
};

// A unit cube as six faces of two triangles, sides first, then front (y = +0.5) and back
// (y = -0.5). Normals point inwards: with the light behind the board they light the face
// that looks at the viewer.
const BoxVertex boxVertices[36] = {
    {{-.5f, .5f, .5f}, {0, 0}, {0, 0, -1}}, {{.5f, -.5f, .5f}, {1, 1}, {0, 0, -1}},
    {{-.5f, -.5f, .5f}, {1, 0}, {0, 0, -1}}, {{.5f, -.5f, .5f}, {1, 1}, {0, 0, -1}},
    {{-.5f, .5f, .5f}, {0, 0}, {0, 0, -1}}, {{.5f, .5f, .5f}, {0, 1}, {0, 0, -1}},

    {{-.5f, -.5f, -.5f}, {1, 1}, {0, 0, 1}}, {{.5f, -.5f, -.5f}, {1, 0}, {0, 0, 1}},
    {{-.5f, .5f, -.5f}, {0, 1}, {0, 0, 1}}, {{.5f, .5f, -.5f}, {0, 0}, {0, 0, 1}},
    {{-.5f, .5f, -.5f}, {0, 1}, {0, 0, 1}}, {{.5f, -.5f, -.5f}, {1, 0}, {0, 0, 1}},

    {{.5f, -.5f, -.5f}, {1, 1}, {-1, 0, 0}}, {{.5f, -.5f, .5f}, {1, 0}, {-1, 0, 0}},
    {{.5f, .5f, -.5f}, {0, 1}, {-1, 0, 0}}, {{.5f, .5f, .5f}, {0, 0}, {-1, 0, 0}},
    {{.5f, .5f, -.5f}, {0, 1}, {-1, 0, 0}}, {{.5f, -.5f, .5f}, {1, 0}, {-1, 0, 0}},

    {{-.5f, .5f, -.5f}, {0, 0}, {1, 0, 0}}, {{-.5f, -.5f, .5f}, {1, 1}, {1, 0, 0}},
    {{-.5f, -.5f, -.5f}, {1, 0}, {1, 0, 0}}, {{-.5f, -.5f, .5f}, {1, 1}, {1, 0, 0}},
    {{-.5f, .5f, -.5f}, {0, 0}, {1, 0, 0}}, {{-.5f, .5f, .5f}, {0, 1}, {1, 0, 0}},

    {{.5f, .5f, -.5f}, {0, 1}, {0, -1, 0}}, {{-.5f, .5f, .5f}, {1, 0}, {0, -1, 0}},
    {{-.5f, .5f, -.5f}, {1, 1}, {0, -1, 0}}, {{-.5f, .5f, .5f}, {1, 0}, {0, -1, 0}},
    {{.5f, .5f, -.5f}, {0, 1}, {0, -1, 0}}, {{.5f, .5f, .5f}, {0, 0}, {0, -1, 0}},

    {{-.5f, -.5f, -.5f}, {1, 1}, {0, 1, 0}}, {{-.5f, -.5f, .5f}, {1, 0}, {0, 1, 0}},
    {{.5f, -.5f, -.5f}, {0, 1}, {0, 1, 0}}, {{.5f, -.5f, .5f}, {0, 0}, {0, 1, 0}},
    {{.5f, -.5f, -.5f}, {0, 1}, {0, 1, 0}}, {{-.5f, -.5f, .5f}, {1, 0}, {0, 1, 0}},
};
constexpr int verticesPerFace = 6;
constexpr int sideFaces = 4;

std::unique_ptr<QOpenGLTexture> loadTexture(const QString &resource)
{
    // Image rows run downwards, texture rows upwards.
    return std::make_unique<QOpenGLTexture>(QImage(resource).mirrored(), QOpenGLTexture::GenerateMipMaps);
}

void useLinearFilters(QOpenGLTexture &texture)
{
    texture.setMinificationFilter(QOpenGLTexture::Linear);
    texture.setMagnificationFilter(QOpenGLTexture::Linear);
}

} // namespace

OrientationWidget::OrientationWidget(QWidget *parent)
    : QOpenGLWidget(parent), m_redrawTimer(new QTimer(this))
{
    Q_INIT_RESOURCE(NUVStudio);
    setMinimumSize(300, 250);
    m_redrawTimer->setInterval(redrawIntervalMs);
    connect(m_redrawTimer, &QTimer::timeout, this, qOverload<>(&QWidget::update));
    m_redrawTimer->start();
}

OrientationWidget::~OrientationWidget()
{
    if (context())
        disconnect(context(), nullptr, this, nullptr);
    releaseGraphics();
}

void OrientationWidget::setOrientation(const QQuaternion &orientation)
{
    m_orientation = orientation;
    update();
}

void OrientationWidget::setScaling(int scaling)
{
    m_scaling = 1 + (scaling - 50) * 0.01;
}

void OrientationWidget::initializeGL()
{
    // A context of a new top-level window replaces the old one: release first, then build anew.
    connect(context(), &QOpenGLContext::aboutToBeDestroyed, this, &OrientationWidget::releaseGraphics);
    initializeOpenGLFunctions();
    m_frontTexture = loadTexture(QStringLiteral(":/NUVStudio/QORA_front.png"));
    m_backTexture = loadTexture(QStringLiteral(":/NUVStudio/QORA_back.png"));
    m_sidesTexture = loadTexture(QStringLiteral(":/NUVStudio/QORA_sides.png"));
    glClearColor(0.1f, 0.1f, 0.2f, 1);

    m_program = std::make_unique<QOpenGLShaderProgram>();
    m_program->addShaderFromSourceFile(QOpenGLShader::Vertex, QStringLiteral(":/NUVStudio/shaders/qora_vshader.glsl"));
    ConsoleSink::out() << "vertex" << std::endl; // "vertex", "frag" and the link result: trace lines by design
    m_program->addShaderFromSourceFile(QOpenGLShader::Fragment, QStringLiteral(":/NUVStudio/shaders/qora_fshader.glsl"));
    ConsoleSink::out() << "frag" << std::endl;
    ConsoleSink::out() << "Link result: " << (m_program->link() ? 1 : 0) << std::endl;

    m_vertexAttribute = m_program->attributeLocation("vertex");
    m_normalAttribute = m_program->attributeLocation("normal");
    m_texCoordAttribute = m_program->attributeLocation("texCoord");
    m_matrixUniform = m_program->uniformLocation("matrix");
    m_modelUniform = m_program->uniformLocation("model");
    m_textureUniform = m_program->uniformLocation("tex");

    for (QOpenGLTexture *texture : {m_frontTexture.get(), m_backTexture.get(), m_sidesTexture.get()})
        useLinearFilters(*texture);
    m_scaling = 1.0;
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void OrientationWidget::paintGL()
{
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);
    glFrontFace(GL_CW);
    glClearColor(0.1f, 0.1f, 0.2f, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    for (QOpenGLTexture *texture : {m_frontTexture.get(), m_backTexture.get(), m_sidesTexture.get()})
        useLinearFilters(*texture);

    QMatrix4x4 projection;
    projection.perspective(60, float(width()) / std::max(height(), 1), 0.1f, 100);
    projection.translate(0, 0, -5);

    // Turned so that the board's long axis stands upright on screen; the board is
    // 1.2 wide, 0.04 thick and 4 long.
    QMatrix4x4 model;
    model.rotate(90, 1, 0, 0);
    model.rotate(180, 1, 0, 0);
    model.rotate(m_orientation);
    model.scale(0.3f, 0.01f, 1);
    model.scale(4, 4, 4);

    m_program->bind();
    m_program->setUniformValue(m_matrixUniform, projection * model);
    m_program->setUniformValue(m_modelUniform, model);
    drawBox();
    m_program->release();

    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
}

void OrientationWidget::resizeGL(int, int)
{
    update();
}

void OrientationWidget::drawBox()
{
    const int stride = sizeof(BoxVertex);
    m_program->setAttributeArray(m_vertexAttribute, GL_FLOAT, boxVertices[0].position, 3, stride);
    m_program->setAttributeArray(m_texCoordAttribute, GL_FLOAT, boxVertices[0].texCoord, 2, stride);
    m_program->setAttributeArray(m_normalAttribute, GL_FLOAT, boxVertices[0].normal, 3, stride);
    m_program->enableAttributeArray(m_vertexAttribute);
    m_program->enableAttributeArray(m_texCoordAttribute);
    m_program->enableAttributeArray(m_normalAttribute);
    m_program->setUniformValue(m_textureUniform, 0);

    m_sidesTexture->bind(0);
    glDrawArrays(GL_TRIANGLES, 0, sideFaces * verticesPerFace);
    m_frontTexture->bind(0);
    glDrawArrays(GL_TRIANGLES, sideFaces * verticesPerFace, verticesPerFace);
    m_backTexture->bind(0);
    glDrawArrays(GL_TRIANGLES, (sideFaces + 1) * verticesPerFace, verticesPerFace);

    m_program->disableAttributeArray(m_vertexAttribute);
    m_program->disableAttributeArray(m_texCoordAttribute);
    m_program->disableAttributeArray(m_normalAttribute);
}

void OrientationWidget::releaseGraphics()
{
    if (!m_program)
        return;
    makeCurrent();
    m_frontTexture.reset();
    m_backTexture.reset();
    m_sidesTexture.reset();
    m_program.reset();
    doneCurrent();
}
