#pragma once

#include <QProxyStyle>

// Draws the text of a vertical progress bar along the bar, in the bar's text direction; the
// usual desktop styles leave it out. Everything else is drawn by the application's style.
class VerticalBarTextStyle : public QProxyStyle
{
    Q_OBJECT

public:
    using QProxyStyle::QProxyStyle;

    void drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                     const QWidget *widget = nullptr) const override;
};
