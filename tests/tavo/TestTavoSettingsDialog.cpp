#include "ApplicationSettingsWidget.h"
#include "ScriptedDialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

// NUV TAVO's settings dialog on a real INI file: what it shows for what is stored, and what
// OK and Cancel leave in the file.
class TestTavoSettingsDialog : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        // A file of its own per case: QSettings keeps what it read of a path in the process and
        // does not see a rewrite of the same size within the same second.
        m_path = m_dir.filePath(QStringLiteral("tavo_settings_%1.ini").arg(++m_case));
    }

    void showsWhatIsStored_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QString>("coordinateFormat");
        QTest::addColumn<QString>("numberSystem");
        QTest::addColumn<bool>("voice");

        QTest::newRow("no file") << QByteArray() << "Decimal degrees" << "Metric" << false;
        QTest::newRow("voice on") << QByteArray("[General]\nvoice=true\n") << "Decimal degrees" << "Metric" << true;
        QTest::newRow("voice off") << QByteArray("[General]\nvoice=false\n") << "Decimal degrees" << "Metric"
                                   << false;
        QTest::newRow("stored value is the item data, not the row")
            << QByteArray("[General]\nGPSCoordinateFormat=1\nnumberSystem=1\n") << "Degrees and decimal minutes"
            << "Imperial" << false;
        QTest::newRow("values no item carries") << QByteArray("[General]\nGPSCoordinateFormat=5\nnumberSystem=x\n")
                                                << QString() << QString() << false;
    }

    void showsWhatIsStored()
    {
        QFETCH(QByteArray, stored);
        QFETCH(QString, coordinateFormat);
        QFETCH(QString, numberSystem);
        QFETCH(bool, voice);

        writeFile(stored);
        QSettings settings(m_path, QSettings::IniFormat);
        ApplicationSettingsWidget dialog(nullptr, &settings);
        QCOMPARE(combo(dialog, "coordinateFormat")->currentText(), coordinateFormat);
        QCOMPARE(combo(dialog, "numberSystem")->currentText(), numberSystem);
        QCOMPARE(dialog.findChild<QCheckBox *>("voice")->isChecked(), voice);
        QCOMPARE(dialog.findChild<QCheckBox *>("voice")->text(), QStringLiteral("Voice"));
    }

    void okStoresEveryKeyAndWarns_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<bool>("toggleVoice");
        QTest::addColumn<int>("coordinateRow"); // -1: left as opened
        QTest::addColumn<QStringList>("lines");

        QTest::newRow("no file, untouched")
            << QByteArray() << false << -1 << QStringList{"GPSCoordinateFormat=0", "numberSystem=0", "voice=false"};
        QTest::newRow("voice checked") << QByteArray() << true << -1
                                       << QStringList{"GPSCoordinateFormat=0", "numberSystem=0", "voice=true"};
        QTest::newRow("voice unchecked") << QByteArray("[General]\nvoice=true\n") << true << -1
                                         << QStringList{"GPSCoordinateFormat=0", "numberSystem=0", "voice=false"};
        QTest::newRow("second row stores 2") << QByteArray() << false << 1
                                             << QStringList{"GPSCoordinateFormat=2", "numberSystem=0", "voice=false"};
        QTest::newRow("an unknown value is kept, not emptied")
            << QByteArray("[General]\nGPSCoordinateFormat=5\n") << false << -1
            << QStringList{"GPSCoordinateFormat=5", "numberSystem=0", "voice=false"};
    }

    void okStoresEveryKeyAndWarns()
    {
        QFETCH(QByteArray, stored);
        QFETCH(bool, toggleVoice);
        QFETCH(int, coordinateRow);
        QFETCH(QStringList, lines);

        writeFile(stored);
        ScriptedDialogs dialogs;
        {
            QSettings settings(m_path, QSettings::IniFormat);
            ApplicationSettingsWidget dialog(nullptr, &settings);
            dialog.show();
            if (toggleVoice)
                clickVoice(dialog);
            if (coordinateRow >= 0)
                combo(dialog, "coordinateFormat")->setCurrentIndex(coordinateRow);
            QTest::mouseClick(dialog.findChild<QPushButton *>("OK"), Qt::LeftButton);
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
        }
        QCOMPARE(fileLines(), lines);
        const QList<ScriptedDialogs::Request> requests = dialogs.takeRequests();
        QCOMPARE(requests.size(), 1);
        QCOMPARE(requests[0].message.icon, QMessageBox::Warning);
        QCOMPARE(requests[0].message.title, QStringLiteral("Restart required"));
        QCOMPARE(requests[0].message.text, QStringLiteral("Certain settings require the application to be restarted."));
        QCOMPARE(requests[0].message.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    }

    void cancelStoresNothing()
    {
        const QByteArray stored("[General]\nGPSCoordinateFormat=1\nvoice=true\n");
        writeFile(stored);
        ScriptedDialogs dialogs;
        {
            QSettings settings(m_path, QSettings::IniFormat);
            ApplicationSettingsWidget dialog(nullptr, &settings);
            dialog.show();
            clickVoice(dialog);
            combo(dialog, "numberSystem")->setCurrentIndex(1);
            QTest::mouseClick(dialog.findChild<QPushButton *>("Cancel"), Qt::LeftButton);
            QVERIFY(!dialog.isVisible());
        }
        QFile file(m_path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), stored);
        QVERIFY(dialogs.requests.isEmpty());
    }

private:
    void writeFile(const QByteArray &content)
    {
        if (content.isEmpty())
            return;
        QFile file(m_path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

    QStringList fileLines() const
    {
        QFile file(m_path);
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
            return {};
        QStringList lines = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
        lines.removeAll(QStringLiteral("[General]"));
        return lines;
    }

    // On its box: the check box spans the dialog's width, its middle is empty space.
    static void clickVoice(QDialog &dialog)
    {
        auto *box = dialog.findChild<QCheckBox *>("voice");
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
    }

    static QComboBox *combo(QDialog &dialog, const char *name) { return dialog.findChild<QComboBox *>(name); }

    QTemporaryDir m_dir;
    QString m_path;
    int m_case = 0;
};

QTEST_MAIN(TestTavoSettingsDialog)
#include "TestTavoSettingsDialog.moc"
