#include "CapturedOutput.h"
#include "OrientationWidget.h"

#include <QSignalSpy>
#include <QtTest>

namespace {

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

} // namespace

// The attitude view rendered by the software OpenGL of the display: which faces show and how far.
class TestOrientationWidget : public QObject
{
    Q_OBJECT

    Picture render(const QQuaternion &orientation)
    {
        m_widget->setOrientation(orientation);
        return analyse(m_widget->grabFramebuffer());
    }

    std::unique_ptr<OrientationWidget> m_widget;

private slots:
    void initTestCase()
    {
        CapturedOutput output;
        m_widget = std::make_unique<OrientationWidget>();
        m_widget->resize(400, 400);
        m_widget->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_widget.get()));
        m_widget->grabFramebuffer();
        QCOMPARE(output.text(), std::string("vertex\nfrag\nLink result: 1\n"));
    }

    void facesAndSizeFollowTheAttitude_data()
    {
        QTest::addColumn<QQuaternion>("attitude");
        QTest::addColumn<QSize>("size");   // within 4 pixels; a 0 is at most 8
        QTest::addColumn<QString>("face"); // the colour that must dominate
        // 60-degree field of view from 5 units: the 1.2 x 4 board covers about 83 x 277 pixels.
        QTest::newRow("identity shows the back upright") << QQuaternion() << QSize(83, 277) << "blue";
        QTest::newRow("longer than one: turned, not resized") << QQuaternion(3, 0, 0, 0) << QSize(83, 277) << "blue";
        QTest::newRow("half turn about the length shows the front")
            << QQuaternion::fromAxisAndAngle(0, 0, 1, 180) << QSize(83, 277) << "green";
        // The near long edge is 4.4 units away: 4 long and 0.04 thick it covers about 3 x 315 pixels.
        QTest::newRow("quarter turn about the length shows the edge")
            << QQuaternion::fromAxisAndAngle(0, 0, 1, 90) << QSize(0, 315) << "edge";
        // The near end, 3 units away, is 1.2 wide and 0.04 thick; the rest hides behind it.
        QTest::newRow("quarter turn about the width shows the near end only")
            << QQuaternion::fromAxisAndAngle(1, 0, 0, 90) << QSize(139, 0) << "tan";
    }

    void facesAndSizeFollowTheAttitude()
    {
        QFETCH(QQuaternion, attitude);
        QFETCH(QSize, size);
        QFETCH(QString, face);
        const Picture picture = render(attitude);
        const auto near = [](int actual, int expected) {
            return expected == 0 ? actual <= 8 : std::abs(actual - expected) <= 4;
        };
        QVERIFY2(near(picture.extent.width(), size.width()) && near(picture.extent.height(), size.height()),
                 qPrintable(QStringLiteral("%1 x %2").arg(picture.extent.width()).arg(picture.extent.height())));
        QVERIFY((picture.extent.center() - QPoint(200, 200)).manhattanLength() <= 3);
        const QString counts =
            QStringLiteral("green %1 blue %2 tan %3").arg(picture.green).arg(picture.blue).arg(picture.tan);
        if (face == "blue")
            QVERIFY2(picture.blue > 10000 && picture.blue > picture.green, qPrintable(counts));
        else if (face == "green")
            QVERIFY2(picture.green > 10000 && picture.blue < picture.green / 4, qPrintable(counts));
        else
            QVERIFY2(picture.blue == 0 && (face != "tan" || picture.tan > picture.green), qPrintable(counts));
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
        window.resize(400, 400);
        m_widget->setParent(&window);
        m_widget->setGeometry(0, 0, 400, 400);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(render(QQuaternion()).blue > 10000);
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
