#pragma once

#include <QWidget>

class NUVStudio;
class NUVTAVOInterface;
class QMainWindow;
class QThread;

// The live telemetry window that NUV TAVO's main window hosts. It owns the ground station's
// radio link and the worker thread the link runs in.
class NUVTAVOWidget : public QWidget
{
    Q_OBJECT

public:
    // window: NUV TAVO's main window, whose console and connection image the radio link writes.
    explicit NUVTAVOWidget(QMainWindow *window);
    ~NUVTAVOWidget() override;

    // The radio link, for the direct calls of the GUI thread (device changes).
    NUVTAVOInterface *radioLink() const;

public slots:
    void clearAndZero();
    void saveFlightAs();
    void saveFlight();

private:
    NUVStudio *m_mainWindow;
    QThread *m_workerThread;
    NUVTAVOInterface *m_radio; // no parent: it lives in the worker thread
};
