#include "NUVTAVOWidget.h"

#include "NUVStudio.h"
#include "NUVTAVOInterface.h"

#include <QThread>

NUVTAVOWidget::NUVTAVOWidget(QMainWindow *window)
    : m_mainWindow(static_cast<NUVStudio *>(window))
    , m_workerThread(new QThread(this))
    , m_radio(new NUVTAVOInterface(this))
{
    m_radio->setConsole(m_mainWindow->ui.console);
    m_radio->setConnectionLabel(m_mainWindow->ui.firmConnImg_CtrlPanel);
    // The link goes in its own thread, and its thread with it.
    connect(m_radio, &QObject::destroyed, m_workerThread, &QThread::quit, Qt::DirectConnection);
    m_radio->moveToThread(m_workerThread);
    m_workerThread->start(QThread::InheritPriority);
}

NUVTAVOWidget::~NUVTAVOWidget()
{
    // Queued behind what the worker has not yet run (the hand-over of the link's poll timer
    // among it), so that nothing posted to it is dropped unrun.
    QMetaObject::invokeMethod(m_radio, "deleteLater", Qt::QueuedConnection);
    m_workerThread->wait();
}

NUVTAVOInterface *NUVTAVOWidget::radioLink() const
{
    return m_radio;
}

void NUVTAVOWidget::clearAndZero()
{
}

void NUVTAVOWidget::saveFlightAs()
{
}

void NUVTAVOWidget::saveFlight()
{
}
