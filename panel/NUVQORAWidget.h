#pragma once

#include <QWidget>

class NUVQORAInterface;
class NUVStudio;
class QThread;

// The device window: owns the flight computer's interface object and the worker thread it
// runs in.
class NUVQORAWidget : public QWidget
{
    Q_OBJECT

public:
    explicit NUVQORAWidget(NUVStudio *mainWindow);
    ~NUVQORAWidget() override;

    // The main window calls it directly on device arrivals and removals.
    NUVQORAInterface *deviceInterface() const;

public slots:
    void enableControls(bool enabled);
    void appendConsoleNL(QString s);

private:
    NUVQORAInterface *m_interface = nullptr;
    NUVStudio *m_mainWindow;
    QThread *m_workerThread = nullptr;
};
