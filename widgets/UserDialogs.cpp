#include "UserDialogs.h"

#include <QDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QRegularExpression>

namespace {

UserDialogs *installed = nullptr;

QMessageBox::StandardButton showSimple(QMessageBox::Icon icon, QWidget *parent, const QString &title,
                                       const QString &text)
{
    UserDialogs::Message box;
    box.icon = icon;
    box.parent = parent;
    box.title = title;
    box.text = text;
    return UserDialogs::current().message(box);
}

} // namespace

QMessageBox::StandardButton UserDialogs::message(const Message &message)
{
    QMessageBox box(message.icon, message.title, message.text, message.buttons, message.parent);
    box.setInformativeText(message.informativeText);
    if (message.defaultButton != QMessageBox::NoButton)
        box.setDefaultButton(message.defaultButton);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

void UserDialogs::about(QWidget *parent, const QString &title, const QString &text)
{
    QMessageBox::about(parent, title, text);
}

QString UserDialogs::openFileName(QWidget *parent, const QString &caption, const QString &directory,
                                  const QString &filter)
{
    return QFileDialog::getOpenFileName(parent, caption, directory, filter);
}

QString UserDialogs::saveFileName(QWidget *parent, const QString &caption, const QString &directory,
                                  const QString &filter)
{
    // The dialog itself adds the chosen filter's suffix to a name typed without one, so that it
    // also asks before that name replaces an existing file.
    QFileDialog dialog(parent, caption, directory, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    const auto takeSuffixOf = [&dialog](const QString &chosenFilter) {
        static const QRegularExpression suffix(QStringLiteral("\\(\\*\\.(\\w+)"));
        dialog.setDefaultSuffix(suffix.match(chosenFilter).captured(1));
    };
    takeSuffixOf(dialog.selectedNameFilter());
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, takeSuffixOf);
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    return dialog.selectedFiles().value(0);
}

std::optional<double> UserDialogs::number(const NumberRequest &request)
{
    bool ok = false;
    const double value = QInputDialog::getDouble(request.parent, request.title, request.label, request.value,
                                                 request.minimum, request.maximum, request.decimals, &ok);
    if (!ok)
        return std::nullopt;
    return value;
}

int UserDialogs::run(QDialog &dialog)
{
    return dialog.exec();
}

QMessageBox::StandardButton UserDialogs::information(QWidget *parent, const QString &title, const QString &text)
{
    return showSimple(QMessageBox::Information, parent, title, text);
}

QMessageBox::StandardButton UserDialogs::warning(QWidget *parent, const QString &title, const QString &text)
{
    return showSimple(QMessageBox::Warning, parent, title, text);
}

QMessageBox::StandardButton UserDialogs::critical(QWidget *parent, const QString &title, const QString &text)
{
    return showSimple(QMessageBox::Critical, parent, title, text);
}

UserDialogs &UserDialogs::current()
{
    static UserDialogs real;
    return installed ? *installed : real;
}

void UserDialogs::setCurrent(UserDialogs *dialogs)
{
    installed = dialogs;
}
