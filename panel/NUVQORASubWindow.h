#pragma once

#include <QIcon>
#include <QMdiSubWindow>

class NUVQORAWidget;

// The frame of the device window in the main window's tabbed area. The main window keeps a
// pointer to the device window so that it opens only one; the frame clears that pointer when
// it goes, so the next request opens a fresh device window.
class NUVQORASubWindow : public QMdiSubWindow
{
    Q_OBJECT

public:
    explicit NUVQORASubWindow(NUVQORAWidget **devicePanel);
    ~NUVQORASubWindow() override;

private:
    NUVQORAWidget **m_devicePanel;
    QIcon m_icon;
};
