#include "NUVQORASubWindow.h"

NUVQORASubWindow::NUVQORASubWindow(NUVQORAWidget **devicePanel)
    : m_devicePanel(devicePanel)
{
}

NUVQORASubWindow::~NUVQORASubWindow()
{
    *m_devicePanel = nullptr;
}
