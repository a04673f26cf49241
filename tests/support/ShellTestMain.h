#pragma once

#include <QApplication>
#include <QTest>

// A GUI test's main: the plot and attitude views share one OpenGL context, which must be
// asked for before the application exists.
#define NUV_SHELL_TEST_MAIN(TestClass)                                                             \
    int main(int argc, char *argv[])                                                               \
    {                                                                                              \
        QApplication::setAttribute(Qt::AA_ShareOpenGLContexts, true);                              \
        QApplication application(argc, argv);                                                      \
        TestClass test;                                                                            \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
