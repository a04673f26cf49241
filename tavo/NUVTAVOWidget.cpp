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
    // Deleted in its own thread once that thread's loop has ended.
    connect(m_workerThread, &QThread::finished, m_radio, &QObject::deleteLater);
    m_radio->moveToThread(m_workerThread);
    m_workerThread->start(QThread::InheritPriority);
}

NUVTAVOWidget::~NUVTAVOWidget()
{
    m_workerThread->quit();
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
