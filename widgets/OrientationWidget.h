#pragma once

#include <QOpenGLFunctions>
#include <QOpenGLWidget>
#include <QQuaternion>

#include <memory>

class QOpenGLShaderProgram;
class QOpenGLTexture;
class QTimer;

// Attitude view: the flight computer as a textured, lit board turned by the latest attitude.
// It only stores the attitude; its own timer redraws it 20 times a second.
class OrientationWidget : public QOpenGLWidget, protected QOpenGLFunctions
{
    Q_OBJECT

public:
    explicit OrientationWidget(QWidget *parent = nullptr);
    ~OrientationWidget() override;

    QQuaternion orientation() const { return m_orientation; }
    double scaling() const { return m_scaling; }

public slots:
    void setOrientation(const QQuaternion &orientation);
    void setScaling(int scaling);

protected:
    void initializeGL() override;
    void paintGL() override;
    void resizeGL(int width, int height) override;

private:
    void drawBox();
    // GL objects live in the widget's context: released with it current, before it goes away.
    void releaseGraphics();

    double m_scaling = 1.0;
    std::unique_ptr<QOpenGLShaderProgram> m_program;
    int m_vertexAttribute = -1;
    int m_normalAttribute = -1;
    int m_texCoordAttribute = -1;
    int m_matrixUniform = -1;
    int m_modelUniform = -1;
    int m_textureUniform = -1;
    QQuaternion m_orientation;
    std::unique_ptr<QOpenGLTexture> m_frontTexture;
    std::unique_ptr<QOpenGLTexture> m_backTexture;
    std::unique_ptr<QOpenGLTexture> m_sidesTexture;
    QTimer *m_redrawTimer;
};
