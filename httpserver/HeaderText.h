#pragma once

#include <QByteArray>

namespace tarnwick {

// Text bound for a response's header block, stripped of the CR and LF bytes that would let
// it end its line and add lines of its own.
inline QByteArray withoutLineBreaks(QByteArray text)
{
    text.replace('\r', QByteArray()).replace('\n', QByteArray());
    return text;
}

} // namespace tarnwick
