#include "OrientationWidget.h"

#include <QSignalSpy>
#include <QTemporaryFile>
#include <QtTest>

#include <unistd.h>

namespace {

const QSize viewSize(400, 400);

struct Picture {
    QRect extent;       // of everything that is not background
    int green = 0;      // solder mask: the front and the back's border
    int blue = 0;       // the label on the back
    int tan = 0;        // the board's edge
};

Picture analyse(const QImage &image)
{
    Picture picture;
    const QColor background = image.pixelColor(0, 0);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (std::abs(c.red() - background.red()) + std::abs(c.green() - background.green())
                    + std::abs(c.blue() - background.blue()) < 12)
                continue;
            picture.extent |= QRect(x, y, 1, 1);
            if (c.green() > c.red() + 30 && c.green() > c.blue() + 20)
                ++picture.green;
            else if (c.blue() > c.red() + 40 && c.blue() > c.green() + 40)
                ++picture.blue;
            else if (c.red() > c.blue() + 40 && c.green() > c.blue() + 20)
                ++picture.tan;
        }
    }
    return picture;
}

// Captures what the process writes to standard output while it lives.
class StandardOutputCapture
{
public:
    StandardOutputCapture()
    {
        m_file.open();
        std::fflush(stdout);
        m_saved = dup(STDOUT_FILENO);
        dup2(m_file.handle(), STDOUT_FILENO);
    }
    QByteArray finish()
    {
        std::fflush(stdout);
        dup2(m_saved, STDOUT_FILENO);
        close(m_saved);
        m_file.seek(0);
        return m_file.readAll();
    }

private:
    QTemporaryFile m_file;
    int m_saved = -1;
};

} // namespace

// The attitude view rendered by the software OpenGL of the display: which faces show and how far.
class TestOrientationWidget : public QObject
{
    Q_OBJECT

private:
    Picture render(const QQuaternion &orientation)
    {
        m_widget->setOrientation(orientation);
        return analyse(m_widget->grabFramebuffer());
    }

    std::unique_ptr<OrientationWidget> m_widget;

private slots:
    void initTestCase()
    {
        StandardOutputCapture output;
        m_widget = std::make_unique<OrientationWidget>();
        m_widget->resize(viewSize);
        m_widget->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_widget.get()));
        m_widget->grabFramebuffer();
        QCOMPARE(output.finish(), QByteArray("vertex\nfrag\nLink result: 1\n"));
    }

    void identityShowsTheBackStandingUpright()
    {
        // 60-degree field of view from 5 units: the 1.2 x 4 board covers about 83 x 277 pixels.
        const Picture picture = render(QQuaternion());
        QVERIFY2(std::abs(picture.extent.width() - 83) <= 4, qPrintable(QString::number(picture.extent.width())));
        QVERIFY2(std::abs(picture.extent.height() - 277) <= 4, qPrintable(QString::number(picture.extent.height())));
        QVERIFY(std::abs(picture.extent.center().x() - 200) <= 2 && std::abs(picture.extent.center().y() - 200) <= 2);
        QVERIFY2(picture.blue > picture.green && picture.blue > 10000, qPrintable(QString::number(picture.blue)));

        // Attitudes that are not of unit length turn the board without resizing it.
        const Picture scaled = render(QQuaternion(3, 0, 0, 0));
        QCOMPARE(scaled.extent, picture.extent);
    }

    void halfTurnAboutTheLengthShowsTheFront()
    {
        const Picture picture = render(QQuaternion::fromAxisAndAngle(0, 0, 1, 180));
        QVERIFY(std::abs(picture.extent.width() - 83) <= 4);
        QVERIFY2(picture.green > 10000 && picture.blue < picture.green / 4, qPrintable(QString::number(picture.blue)));
    }

    void quarterTurnAboutTheLengthShowsTheEdge()
    {
        // The near long edge is 4.4 units away: 4 long and 0.04 thick it covers about 3 x 315 pixels.
        const Picture picture = render(QQuaternion::fromAxisAndAngle(0, 0, 1, 90));
        QVERIFY2(picture.extent.width() <= 6, qPrintable(QString::number(picture.extent.width())));
        QVERIFY2(std::abs(picture.extent.height() - 315) <= 4, qPrintable(QString::number(picture.extent.height())));
        QVERIFY(picture.blue == 0);
    }

    void quarterTurnAboutTheWidthShowsTheNearEndOnly()
    {
        // The near end, 3 units away, is 1.2 wide and 0.04 thick; the rest hides behind it.
        const Picture picture = render(QQuaternion::fromAxisAndAngle(1, 0, 0, 90));
        QVERIFY2(std::abs(picture.extent.width() - 139) <= 4, qPrintable(QString::number(picture.extent.width())));
        QVERIFY2(picture.extent.height() <= 8, qPrintable(QString::number(picture.extent.height())));
        QVERIFY(picture.tan > picture.green && picture.blue == 0);
    }

    void newAttitudeIsDrawnPromptly()
    {
        QSignalSpy frames(m_widget.get(), &QOpenGLWidget::frameSwapped);
        m_widget->setOrientation(QQuaternion::fromAxisAndAngle(0, 0, 1, 90));
        QVERIFY(frames.wait(250));
        frames.clear();
        QVERIFY(frames.wait(250));   // the redraw timer keeps drawing
    }

    void movingToAnotherWindowRebuildsTheGraphics()
    {
        QWidget window;
        window.resize(viewSize);
        m_widget->setParent(&window);
        m_widget->setGeometry(QRect(QPoint(), viewSize));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const Picture picture = render(QQuaternion());
        QVERIFY(picture.blue > 10000);
        m_widget->setParent(nullptr);
        m_widget.reset();
    }

    void widgetNeverShownIsDestroyedCleanly()
    {
        auto *widget = new OrientationWidget;
        widget->setOrientation(QQuaternion::fromAxisAndAngle(0, 1, 0, 45));
        delete widget;
    }
};

QTEST_MAIN(TestOrientationWidget)
#include "TestOrientationWidget.moc"
