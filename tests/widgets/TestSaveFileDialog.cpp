#include "UserDialogs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

// The real save dialog, driven as a user drives it: a name typed without a suffix gets the
// chosen filter's suffix, and an existing file of that name is replaced only when the user
// says so.
class TestSaveFileDialog : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_replaceQuestion; // the text of the question the dialog asked, if any

    static QFileDialog *waitForDialog()
    {
        QFileDialog *dialog = nullptr;
        for (int waited = 0; !dialog && waited < 10000; waited += 10) {
            QTest::qWait(10);
            dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        }
        return dialog;
    }

    // Types the name into the open dialog and presses Enter, answers a replace question with the
    // button given and then, if the dialog is still open, cancels it.
    void typeIntoDialog(const QString &typed, bool secondFilter, QMessageBox::StandardButton answer)
    {
        QFileDialog *dialog = waitForDialog();
        QVERIFY(dialog);
        if (secondFilter) {
            auto *types = dialog->findChild<QComboBox *>(QStringLiteral("fileTypeCombo"));
            QVERIFY(types);
            QTest::keyClick(types, Qt::Key_Down);
        }
        auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        QVERIFY(name);
        name->setText(typed);
        // The replace question is modal inside the dialog's accept, so it is answered from a timer.
        QTimer answering;
        connect(&answering, &QTimer::timeout, this, [&] {
            if (auto *question = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                m_replaceQuestion = question->text();
                question->button(answer)->click();
            }
        });
        answering.start(20);
        QTest::keyClick(name, Qt::Key_Return);
        QTest::qWait(50);
        if (QApplication::activeModalWidget() == dialog)
            dialog->reject();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QFile existing(QDir(m_dir.path()).filePath(QStringLiteral("flight.qora")));
        QVERIFY(existing.open(QIODevice::WriteOnly));
        existing.write("kept");
    }

    void typedNames_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("secondFilter");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<bool>("asked");

        const int no = QMessageBox::No, yes = QMessageBox::Yes;
        QTest::newRow("new name gets the suffix") << "new" << false << no << "new.qora" << false;
        QTest::newRow("name with its suffix kept") << "other.qora" << false << no << "other.qora" << false;
        QTest::newRow("existing file, replace refused") << "flight" << false << no << "" << true;
        QTest::newRow("existing file, replace agreed") << "flight" << false << yes << "flight.qora" << true;
        QTest::newRow("second filter's suffix") << "flight" << true << no << "flight.kml" << false;
    }

    void typedNames()
    {
        QFETCH(QString, typed);
        QFETCH(bool, secondFilter);
        QFETCH(int, answer);
        QFETCH(QString, expected);
        QFETCH(bool, asked);

        m_replaceQuestion.clear();
        QTimer::singleShot(0, this, [&] {
            typeIntoDialog(typed, secondFilter, static_cast<QMessageBox::StandardButton>(answer));
        });
        UserDialogs dialogs;
        const QString chosen = dialogs.saveFileName(nullptr, QStringLiteral("Save flight"), m_dir.path(),
                                                    QStringLiteral("NUV QORA flight (*.qora);;KML files (*.kml)"));
        QCOMPARE(chosen, expected.isEmpty() ? QString() : QDir(m_dir.path()).filePath(expected));
        QCOMPARE(m_replaceQuestion.contains(QStringLiteral("flight.qora")), asked);
    }
};

QTEST_MAIN(TestSaveFileDialog)
#include "TestSaveFileDialog.moc"
