#pragma once

#include "UserDialogs.h"

#include <QList>
#include <QQueue>

#include <functional>

// Answers every dialog that a program asks through UserDialogs while it lives, from answers the
// test queued beforehand, and records each request in order. Unscripted requests never wait:
// a message box answers its default button (else its first button), a file dialog is
// cancelled, an input dialog is cancelled and a dialog of the program's own is rejected.
class ScriptedDialogs : public UserDialogs
{
public:
    struct Request
    {
        enum Kind { Message, About, OpenFile, SaveFile, Number, Dialog };
        Kind kind = Message;
        UserDialogs::Message message;  // Message; About fills parent, title and text
        QString caption, directory, filter; // OpenFile, SaveFile
        UserDialogs::NumberRequest number;  // Number
        QString dialogName;                 // Dialog: the dialog's object name
    };

    ScriptedDialogs();  // installs itself as UserDialogs::current()
    ~ScriptedDialogs() override; // restores the real dialogs

    void pressButton(QMessageBox::StandardButton button);
    void chooseFile(const QString &path); // an empty path cancels
    void enterNumber(std::optional<double> value);
    // The handler works the dialog as a user would (e.g. clicks its OK button); the run then
    // returns the dialog's result.
    void handleDialog(std::function<void(QDialog &)> handler);

    QList<Request> takeRequests();
    QList<Request> requests;

    QMessageBox::StandardButton message(const Message &message) override;
    void about(QWidget *parent, const QString &title, const QString &text) override;
    QString openFileName(QWidget *parent, const QString &caption, const QString &directory,
                         const QString &filter) override;
    QString saveFileName(QWidget *parent, const QString &caption, const QString &directory,
                         const QString &filter) override;
    std::optional<double> number(const NumberRequest &request) override;
    int run(QDialog &dialog) override;

private:
    QString fileAnswer(Request::Kind kind, QWidget *parent, const QString &caption, const QString &directory,
                       const QString &filter);

    QQueue<QMessageBox::StandardButton> m_buttons;
    QQueue<QString> m_files;
    QQueue<std::optional<double>> m_numbers;
    QQueue<std::function<void(QDialog &)>> m_dialogHandlers;
};
