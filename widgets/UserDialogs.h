#pragma once

#include <QMessageBox>
#include <QString>

#include <optional>

class QDialog;
class QWidget;

// Every modal question, message box, file dialog and input dialog of both programs goes through
// here, so that a test can install its own answers and nothing ever waits on a person.
// The default implementation shows the real Qt dialogs.
class UserDialogs
{
public:
    // One message box: its icon, parent, caption, text, informative text and buttons.
    struct Message
    {
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QWidget *parent = nullptr;
        QString title;
        QString text;
        QString informativeText;
        QMessageBox::StandardButtons buttons = QMessageBox::Ok;
        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    };

    // One QInputDialog::getDouble request.
    struct NumberRequest
    {
        QWidget *parent = nullptr;
        QString title;
        QString label;
        double value = 0;
        double minimum = 0;
        double maximum = 0;
        int decimals = 3;
    };

    virtual ~UserDialogs() = default;

    // The button pressed; closing the box counts as its escape button, as in QMessageBox.
    virtual QMessageBox::StandardButton message(const Message &message);
    virtual void about(QWidget *parent, const QString &title, const QString &text);
    // The chosen path, empty when cancelled.
    virtual QString openFileName(QWidget *parent, const QString &caption, const QString &directory,
                                 const QString &filter);
    virtual QString saveFileName(QWidget *parent, const QString &caption, const QString &directory,
                                 const QString &filter);
    // The value entered, nothing when cancelled.
    virtual std::optional<double> number(const NumberRequest &request);
    // Runs a dialog of the program's own modally and returns its result code.
    virtual int run(QDialog &dialog);

    // Shorthands for the static QMessageBox functions, through current().
    static QMessageBox::StandardButton information(QWidget *parent, const QString &title, const QString &text);
    static QMessageBox::StandardButton warning(QWidget *parent, const QString &title, const QString &text);
    static QMessageBox::StandardButton critical(QWidget *parent, const QString &title, const QString &text);

    // The process-wide instance: the real dialogs unless a test has installed its own;
    // setCurrent(nullptr) restores the real ones. GUI thread only.
    static UserDialogs &current();
    static void setCurrent(UserDialogs *dialogs);
};
