#include "ScriptedDialogs.h"

#include <QDialog>

ScriptedDialogs::ScriptedDialogs()
{
    UserDialogs::setCurrent(this);
}

ScriptedDialogs::~ScriptedDialogs()
{
    UserDialogs::setCurrent(nullptr);
}

void ScriptedDialogs::pressButton(QMessageBox::StandardButton button)
{
    m_buttons.enqueue(button);
}

void ScriptedDialogs::chooseFile(const QString &path)
{
    m_files.enqueue(path);
}

void ScriptedDialogs::enterNumber(std::optional<double> value)
{
    m_numbers.enqueue(value);
}

void ScriptedDialogs::handleDialog(std::function<void(QDialog &)> handler)
{
    m_dialogHandlers.enqueue(std::move(handler));
}

QList<ScriptedDialogs::Request> ScriptedDialogs::takeRequests()
{
    QList<Request> taken;
    taken.swap(requests);
    return taken;
}

QMessageBox::StandardButton ScriptedDialogs::message(const Message &message)
{
    Request request;
    request.kind = Request::Message;
    request.message = message;
    requests.append(request);
    if (!m_buttons.isEmpty())
        return m_buttons.dequeue();
    if (message.defaultButton != QMessageBox::NoButton)
        return message.defaultButton;
    for (int flag = QMessageBox::FirstButton; flag <= QMessageBox::LastButton; flag <<= 1) {
        if (message.buttons & flag)
            return static_cast<QMessageBox::StandardButton>(flag);
    }
    return QMessageBox::NoButton;
}

void ScriptedDialogs::about(QWidget *parent, const QString &title, const QString &text)
{
    Request request;
    request.kind = Request::About;
    request.message.parent = parent;
    request.message.title = title;
    request.message.text = text;
    requests.append(request);
}

QString ScriptedDialogs::openFileName(QWidget *parent, const QString &caption, const QString &directory,
                                      const QString &filter)
{
    return fileAnswer(Request::OpenFile, parent, caption, directory, filter);
}

QString ScriptedDialogs::saveFileName(QWidget *parent, const QString &caption, const QString &directory,
                                      const QString &filter)
{
    return fileAnswer(Request::SaveFile, parent, caption, directory, filter);
}

QString ScriptedDialogs::fileAnswer(Request::Kind kind, QWidget *parent, const QString &caption,
                                    const QString &directory, const QString &filter)
{
    Request request;
    request.kind = kind;
    request.message.parent = parent;
    request.caption = caption;
    request.directory = directory;
    request.filter = filter;
    requests.append(request);
    return m_files.isEmpty() ? QString() : m_files.dequeue();
}

std::optional<double> ScriptedDialogs::number(const NumberRequest &numberRequest)
{
    Request request;
    request.kind = Request::Number;
    request.number = numberRequest;
    requests.append(request);
    return m_numbers.isEmpty() ? std::nullopt : m_numbers.dequeue();
}

int ScriptedDialogs::run(QDialog &dialog)
{
    Request request;
    request.kind = Request::Dialog;
    request.dialogName = dialog.objectName();
    requests.append(request);
    if (m_dialogHandlers.isEmpty()) {
        dialog.reject();
        return dialog.result();
    }
    dialog.show();
    m_dialogHandlers.dequeue()(dialog);
    dialog.hide();
    return dialog.result();
}
