// Renders each page of the settings form at the factory block to PNG files for a reviewer to
// look at. Needs a display (xvfb-run -a works).
//   panel_screenshots <output folder>
#include "SettingsWidget.h"

#include <QApplication>
#include <QDir>

#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: panel_screenshots <output folder>\n");
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    bool saved = true;

    SettingsWidget form;
    form.setSettings(NUVQORASettings());
    form.show();
    for (int page = 0; page < form.ui.tabWidget->count(); ++page) {
        form.ui.tabWidget->setCurrentIndex(page);
        form.resize(form.sizeHint());
        QCoreApplication::processEvents();
        const QString path = folder.filePath(QStringLiteral("settings_%1.png").arg(form.ui.tabWidget->widget(page)->objectName()));
        if (!form.grab().save(path)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            saved = false;
        }
    }
    return saved ? 0 : 1;
}
