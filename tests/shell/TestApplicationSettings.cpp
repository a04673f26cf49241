#include "ApplicationSettingsWidget.h"
#include "ScriptedDialogs.h"
#include "ShellTestMain.h"

#include <QComboBox>
#include <QFile>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>

// The dialog against a temporary INI file, worked through its combo boxes and buttons.
class TestApplicationSettings : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_path = m_dir->filePath(QStringLiteral("settings.ini"));
    }

    void opensWithTheStoredChoice_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("coordinateFormat");
        QTest::addColumn<QString>("numberSystem");

        QTest::newRow("no file") << QString() << "Decimal degrees" << "Metric";
        QTest::newRow("stored values, not rows")
            << "GPSCoordinateFormat=1\nnumberSystem=1\n" << "Degrees and decimal minutes" << "Imperial";
        QTest::newRow("a value no item carries") << "GPSCoordinateFormat=5\nnumberSystem=x\n" << "" << "";
    }

    void opensWithTheStoredChoice()
    {
        QFETCH(QString, file);
        QFETCH(QString, coordinateFormat);
        QFETCH(QString, numberSystem);
        if (!file.isNull())
            writeFile("[General]\n" + file);
        QSettings settings(m_path, QSettings::IniFormat);
        ApplicationSettingsWidget dialog(nullptr, &settings);
        QCOMPARE(combo(dialog, "coordinateFormat")->currentText(), coordinateFormat);
        QCOMPARE(combo(dialog, "numberSystem")->currentText(), numberSystem);
    }

    // OK stores each combo's item data and warns that a restart may be needed.
    void okStoresTheChosenItems_data()
    {
        QTest::addColumn<QString>("coordinateFormat");
        QTest::addColumn<QString>("numberSystem");
        QTest::addColumn<int>("storedFormat");
        QTest::addColumn<int>("storedSystem");

        QTest::newRow("unchanged") << "Decimal degrees" << "Metric" << 0 << 0;
        QTest::newRow("minutes and seconds") << "Degrees, minutes and seconds" << "Imperial" << 2 << 1;
        QTest::newRow("decimal minutes") << "Degrees and decimal minutes" << "Metric" << 1 << 0;
    }

    void okStoresTheChosenItems()
    {
        QFETCH(QString, coordinateFormat);
        QFETCH(QString, numberSystem);
        QFETCH(int, storedFormat);
        QFETCH(int, storedSystem);
        ScriptedDialogs dialogs;
        {
            QSettings settings(m_path, QSettings::IniFormat);
            ApplicationSettingsWidget dialog(nullptr, &settings);
            choose(dialog, "coordinateFormat", coordinateFormat);
            choose(dialog, "numberSystem", numberSystem);
            QTest::mouseClick(dialog.findChild<QPushButton *>("OK"), Qt::LeftButton);
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
        }
        const QList<ScriptedDialogs::Request> requests = dialogs.takeRequests();
        QCOMPARE(requests.size(), 1);
        QCOMPARE(requests[0].message.icon, QMessageBox::Warning);
        QCOMPARE(requests[0].message.title, QStringLiteral("Restart required"));
        QCOMPARE(requests[0].message.text, QStringLiteral("Certain settings require the application to be restarted."));
        const QSettings stored(m_path, QSettings::IniFormat);
        QCOMPARE(stored.value("GPSCoordinateFormat").toInt(), storedFormat);
        QCOMPARE(stored.value("numberSystem").toInt(), storedSystem);
    }

    // A value no item carries is kept, not replaced by an empty one.
    void okKeepsAValueNoItemCarries()
    {
        writeFile("[General]\nGPSCoordinateFormat=5\n");
        ScriptedDialogs dialogs;
        {
            QSettings settings(m_path, QSettings::IniFormat);
            ApplicationSettingsWidget dialog(nullptr, &settings);
            choose(dialog, "numberSystem", "Imperial");
            QTest::mouseClick(dialog.findChild<QPushButton *>("OK"), Qt::LeftButton);
        }
        const QSettings stored(m_path, QSettings::IniFormat);
        QCOMPARE(stored.value("GPSCoordinateFormat").toString(), QStringLiteral("5"));
        QCOMPARE(stored.value("numberSystem").toInt(), 1);
    }

    void cancelLeavesTheFileAlone()
    {
        writeFile("[General]\nGPSCoordinateFormat=1\nnumberSystem=0\n");
        ScriptedDialogs dialogs;
        {
            QSettings settings(m_path, QSettings::IniFormat);
            ApplicationSettingsWidget dialog(nullptr, &settings);
            dialog.show();
            choose(dialog, "coordinateFormat", "Decimal degrees");
            choose(dialog, "numberSystem", "Imperial");
            QTest::mouseClick(dialog.findChild<QPushButton *>("Cancel"), Qt::LeftButton);
            QCOMPARE(dialog.result(), int(QDialog::Rejected));
        }
        QVERIFY(dialogs.requests.isEmpty());
        const QSettings stored(m_path, QSettings::IniFormat);
        QCOMPARE(stored.value("GPSCoordinateFormat").toInt(), 1);
        QCOMPARE(stored.value("numberSystem").toInt(), 0);
    }

private:
    void writeFile(const QString &text)
    {
        QFile file(m_path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text.toUtf8());
    }

    static QComboBox *combo(QDialog &dialog, const char *name) { return dialog.findChild<QComboBox *>(name); }

    // Picks the item through the combo's own list, as a user would.
    static void choose(QDialog &dialog, const char *name, const QString &text)
    {
        QComboBox *box = combo(dialog, name);
        const int row = box->findText(text);
        QVERIFY2(row >= 0, qPrintable(text));
        box->setCurrentIndex(row);
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
};

NUV_SHELL_TEST_MAIN(TestApplicationSettings)
#include "TestApplicationSettings.moc"
