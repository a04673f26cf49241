#include "NUVQORAWidget.h"

#include "NUVQORAInterface.h"
#include "NUVStudio.h"

#include <QThread>

NUVQORAWidget::NUVQORAWidget(NUVStudio *mainWindow)
    : m_mainWindow(mainWindow)
{
    setWindowTitle(tr("NUV QORA"));
    m_workerThread = new QThread(this);
    m_workerThread->start(QThread::InheritPriority);
    m_interface = new NUVQORAInterface(this);
    m_interface->moveToThread(m_workerThread);
    QMetaObject::invokeMethod(m_interface, "attemptConnection", Qt::QueuedConnection);
}

NUVQORAWidget::~NUVQORAWidget()
{
    m_interface->abortOperations();
    m_workerThread->exit(0);
    m_workerThread->wait();
    m_interface->closeDevices();
    delete m_workerThread;
    delete m_interface;
}

NUVQORAInterface *NUVQORAWidget::deviceInterface() const
{
    return m_interface;
}

void NUVQORAWidget::enableControls(bool)
{
}

void NUVQORAWidget::appendConsoleNL(QString s)
{
    m_mainWindow->ui.console->appendPlainText(s);
}
