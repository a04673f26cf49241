#pragma once

#include <QtGlobal>

class QMessageLogContext;
class QString;

// Writes debug, critical and fatal messages of the process to standard error as one line,
// "Debug: text (file:line, function)" and so on; warnings and info messages are dropped, so
// the console stays readable while the radio link runs. A fatal message aborts after it is
// written. Callable from any thread.
void messageHandler(QtMsgType type, const QMessageLogContext &context, const QString &message);
