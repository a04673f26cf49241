#include "CubicFit.h"
#include "Matrix.h"
#include "Polynomial.h"
#include "QRDecomposition.h"

#include <QtTest>

#include <algorithm>
#include <cmath>
#include <functional>
#include <stdexcept>

namespace {

// The message of the exception of type E that f throws, or an empty string.
template<class E>
std::string messageOf(const std::function<void()> &f)
{
    try {
        f();
    } catch (const E &e) {
        return e.what();
    }
    return {};
}

} // namespace

class TestCubicFit : public QObject
{
    Q_OBJECT

private slots:
    void badInputIsRefused();
    void decompositionRebuildsTheMatrix_data();
    void decompositionRebuildsTheMatrix();
    void solveFindsTheLeastSquaresSolution();
    void polynomialFitAndEvaluation();
    void cubicFitSortsAndEvaluates();
};

void TestCubicFit::badInputIsRefused()
{
    QCOMPARE(messageOf<std::range_error>([] { Matrix(0, 3); }), std::string("invalid matrix size"));
    QCOMPARE(messageOf<std::range_error>([] { Matrix(3, 0); }), std::string("invalid matrix size"));
    QCOMPARE(messageOf<std::range_error>([] { Matrix::identity(0); }), std::string("invalid matrix size"));
    Matrix m(2, 3);
    QCOMPARE(messageOf<std::out_of_range>([&] { m(2, 0); }), std::string("position out of range"));
    QCOMPARE(messageOf<std::out_of_range>([&] { m(0, 3); }), std::string("position out of range"));
    QCOMPARE(messageOf<std::domain_error>([&] { m.multiply(Matrix(2, 3)); }),
             std::string("matrix dimensions are not multiplicable"));
    QCOMPARE(messageOf<std::invalid_argument>([] { polyFit(std::vector<float>(10), std::vector<float>(9)); }),
             std::string("X and Y vector sizes do not match"));
    QCOMPARE(messageOf<std::range_error>([] { polyFit({}, {}); }), std::string("invalid matrix size"));
    QCOMPARE(messageOf<std::range_error>([] { CubicFit().fit(); }), std::string("invalid matrix size"));
}

void TestCubicFit::decompositionRebuildsTheMatrix_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("cols");
    QTest::newRow("square") << 4 << 4;
    QTest::newRow("tall") << 5 << 4;
    QTest::newRow("wide") << 3 << 5;
}

void TestCubicFit::decompositionRebuildsTheMatrix()
{
    QFETCH(int, rows);
    QFETCH(int, cols);
    Matrix a(rows, cols);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c)
            a(r, c) = std::sin(1.0f + r * 7 + c * 3) * 10; // no zeros, no structure
    a(1, 0) = 0.0f; // an element that is already clear
    QRDecomposition qr;
    qr.decompose(a);
    // The product and transpose have no test of their own: a fault in either upsets this one.
    const Matrix back = qr.Q.multiply(qr.R);
    const Matrix orthogonality = qr.Q.transpose().multiply(qr.Q);
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < cols; ++c) {
            QVERIFY(std::fabs(back(r, c) - a(r, c)) < 1e-4f);
            if (r > c)
                QVERIFY(std::fabs(qr.R(r, c)) < 1e-5f);
        }
        for (int c = 0; c < rows; ++c)
            QVERIFY(std::fabs(orthogonality(r, c) - (r == c ? 1.0f : 0.0f)) < 1e-5f);
    }
}

void TestCubicFit::solveFindsTheLeastSquaresSolution()
{
    // Overdetermined line through (0, 1), (1, 3), (2, 5) plus a symmetric error: (1, 2).
    Matrix a(4, 2);
    Matrix b(4, 1);
    const float xs[4] = {0, 1, 2, 1};
    const float ys[4] = {1, 3, 5, 2};
    for (uint32_t i = 0; i < 4; ++i) {
        a(i, 0) = 1;
        a(i, 1) = xs[i];
        b(i, 0) = ys[i];
    }
    QRDecomposition qr;
    qr.decompose(a);
    const Matrix s = qr.solve(b);
    QCOMPARE(s.rowCount(), 1u);
    QCOMPARE(s.colCount(), 2u);
    // Normal equations: [4 4; 4 6] s = [11 15] gives s = (0.75, 2).
    QVERIFY(std::fabs(s(0, 0) - 0.75f) < 1e-5f);
    QVERIFY(std::fabs(s(0, 1) - 2.0f) < 1e-5f);
}

void TestCubicFit::polynomialFitAndEvaluation()
{
    const std::vector<float> c = {3.0f, -2.0f, 0.5f, 0.25f};
    std::vector<float> x = {-1.0f, 0.5f, 2.0f, 3.0f};
    std::vector<float> y = polyEval(c, x);
    std::vector<float> fitted = polyFit(x, y);
    QCOMPARE(fitted.size(), std::size_t(4));
    for (int k = 0; k < 4; ++k)
        QVERIFY2(std::fabs(fitted[k] - c[k]) < 1e-3f, qPrintable(QString::number(fitted[k])));

    // A coast-like spread: velocities 20..200 m/s, many points.
    x.clear();
    for (float v = 20.0f; v < 200.0f; v += 0.7f)
        x.push_back(v);
    const std::vector<float> drag = {-9.81f, -0.01f, -2e-4f, 1e-7f};
    y = polyEval(drag, x);
    const std::vector<float> back = polyEval(polyFit(x, y), x);
    for (std::size_t i = 0; i < x.size(); ++i)
        QVERIFY(std::fabs(back[i] - y[i]) < 0.05f);

    // Too few points for a cubic: the fit is not finite.
    fitted = polyFit({-1.0f, 0.0f, 1.0f}, {1.0f, 0.0f, 1.0f});
    QVERIFY(!std::all_of(fitted.begin(), fitted.end(), [](float c) { return std::isfinite(c); }));

    QCOMPARE(polyEval({}, {1.0f, 2.0f}), (std::vector<float>{0.0f, 0.0f}));
    QVERIFY(polyEval({1.0f, 2.0f}, {}).empty());
    QCOMPARE(polyEval({1.0f, 2.0f, 3.0f}, {2.0f}), std::vector<float>{17.0f});
}

void TestCubicFit::cubicFitSortsAndEvaluates()
{
    CubicFit fit;
    for (const float x : {3.0f, -1.0f, 2.0f, 0.0f, 1.0f})
        fit.addPoint(x, 2.0f * x * x * x - x + 4.0f);
    fit.sortByX();
    QCOMPARE(fit.points().front().x, -1.0f);
    QCOMPARE(fit.points().back().x, 3.0f);
    fit.fit();
    QVERIFY(std::fabs(fit.valueAt(1.5f) - (2.0f * 3.375f - 1.5f + 4.0f)) < 1e-3f);
}

QTEST_GUILESS_MAIN(TestCubicFit)
#include "TestCubicFit.moc"
