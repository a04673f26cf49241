#pragma once

#include <QtGlobal>

class QMessageLogContext;
class QString;

// Writes every debug, warning, critical and fatal message of the process to standard error as
// one line, "Debug: text (file:line, function)" and so on; info messages are dropped; a fatal
// message aborts after it is written. Callable from any thread.
void messageHandler(QtMsgType type, const QMessageLogContext &context, const QString &message);
