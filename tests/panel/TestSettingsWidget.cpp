#include "CapturedOutput.h"
#include "SettingsWidget.h"

#include <QRandomGenerator>
#include <QtTest>

#include <cstring>
#include <functional>

using Edit = std::function<void(NUVQORASettings &)>;
using Field = std::function<QVariant(const NUVQORASettings &)>;
Q_DECLARE_METATYPE(Edit)
Q_DECLARE_METATYPE(Field)

namespace {

NUVQORASettings block(const Edit &edit)
{
    NUVQORASettings settings;
    edit(settings);
    return settings;
}

QByteArray bytes(const NUVQORASettings &settings)
{
    return QByteArray(reinterpret_cast<const char *>(settings.image.data()), int(settings.image.size()));
}

QByteArray callsignBytes(const NUVQORASettings &settings)
{
    return bytes(settings).mid(38, 6);
}

// What a user reads off a control.
QString shown(const QWidget *control)
{
    if (auto *spin = qobject_cast<const QAbstractSpinBox *>(control))
        return spin->text();
    if (auto *combo = qobject_cast<const QComboBox *>(control))
        return combo->currentText();
    if (auto *box = qobject_cast<const QCheckBox *>(control))
        return box->isChecked() ? QStringLiteral("checked") : QStringLiteral("unchecked");
    if (auto *edit = qobject_cast<const QLineEdit *>(control))
        return edit->text();
    return qobject_cast<const QLabel *>(control)->text();
}

const QStringList lineBFields = {"lineBTime",        "lineBAltitude", "lineBStage", "lineBMaxAngle",
                                 "maxAngleBEnabled", "lineBOnTime",   "lineBDelay"};

} // namespace

class TestSettingsWidget : public QObject
{
    Q_OBJECT

    template <typename T> T *control(SettingsWidget &form, const QString &name)
    {
        T *found = form.findChild<T *>(name);
        if (!found)
            qFatal("no control %s", qPrintable(name));
        return found;
    }

    // Types into a spin box or line edit, replacing its value, or clicks a check box.
    void enter(SettingsWidget &form, const QString &name, const QString &input)
    {
        QWidget *target = control<QWidget>(form, name);
        QVERIFY2(target->isEnabled(), qPrintable(name));
        if (qobject_cast<QCheckBox *>(target)) {
            QTest::mouseClick(target, Qt::LeftButton, {}, QPoint(4, target->height() / 2));
            return;
        }
        QTest::keyClick(target, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(target, input);
    }

private slots:
    void blocksRoundTrip_data()
    {
        QTest::addColumn<NUVQORASettings>("shown");
        QTest::addColumn<NUVQORASettings>("written");

        const NUVQORASettings factory;
        QTest::newRow("factory block") << factory << factory;
        QTest::newRow("header and checksum come from the factory block") << block([](NUVQORASettings &s) {
            s.setFirmwareVersion(0x0305);
            s.setPressureOffset(-20);
            s.image[3] = 7;
            s.image[4] = 9;
            s.image[95] = 0x34;
            s.image[96] = 0x12;
            s.valid = true;
        }) << factory;

        const Edit upperLimits = [](NUVQORASettings &s) {
            for (int line = 0; line < 4; ++line) {
                s.setLineMode(line, uint8_t(3 + line));
                s.setLineTime(line, 10000);
                s.setLineAltitude(line, 65535);
                s.setLineOnTime(line, 255);
                s.setLineDelay(line, 1000);
                s.setLineMaxAngle(line, 10000);
                s.setLineStage(line, 5);
            }
            s.setMinComputerVoltage(84);
            s.setCallsign(QStringLiteral("ZZ9ZZZ"));
            s.setFlags(0xFF);
            s.setGpsGate(2);
            s.setRfChannel(255);
            for (int stage = 0; stage < 4; ++stage)
                s.setWriteMultiple(stage, 100);
            for (int kind = 0; kind < 16; ++kind) {
                s.setWriteRate(kind, 10);
                s.setTxPriority(kind, 100);
            }
        };
        QTest::newRow("upper limits") << block(upperLimits) << block(upperLimits);

        const Edit lowerLimits = [](NUVQORASettings &s) {
            for (int line = 0; line < 4; ++line) {
                s.setLineMode(line, 0);
                s.setLineTime(line, 0);
                s.setLineAltitude(line, 80);
                s.setLineOnTime(line, 1);
                s.setLineDelay(line, 0);
                s.setLineMaxAngle(line, NUVQORASettings::NoAngleLimit);
                s.setLineStage(line, 2);
            }
            s.setMinComputerVoltage(35);
            s.setCallsign(QString());
            s.setFlags(0);
            s.setRfChannel(0);
            for (int stage = 0; stage < 4; ++stage)
                s.setWriteMultiple(stage, 0);
            for (int kind = 0; kind < 16; ++kind) {
                s.setWriteRate(kind, 1);
                s.setTxPriority(kind, 0);
            }
        };
        QTest::newRow("lower limits") << block(lowerLimits) << block(lowerLimits);

        const Edit tenths = [](NUVQORASettings &s) {
            s.setLineTime(2, 1234);
            s.setLineOnTime(1, 25);
            s.setLineDelay(3, 7);
            s.setMinComputerVoltage(47);
        };
        QTest::newRow("tenths kept exactly") << block(tenths) << block(tenths);

        QTest::newRow("values beyond the controls are clamped") << block([](NUVQORASettings &s) {
            s.setLineAltitude(0, 10);
            s.setLineOnTime(1, 0);
            s.setLineTime(2, 20000);
            s.setLineDelay(3, 5000);
            s.setLineStage(0, 0);
            s.setLineStage(1, 9);
            s.setMinComputerVoltage(200);
            s.setWriteMultiple(0, 255);
            s.setTxPriority(3, 255);
        }) << block([](NUVQORASettings &s) {
            s.setLineAltitude(0, 80);
            s.setLineOnTime(1, 1);
            s.setLineTime(2, 10000);
            s.setLineDelay(3, 1000);
            s.setLineStage(0, 2);
            s.setLineStage(1, 5);
            s.setMinComputerVoltage(84);
            s.setWriteMultiple(0, 100);
            s.setTxPriority(3, 100);
        });
        QTest::newRow("values no list holds are written as 0") << block([](NUVQORASettings &s) {
            s.setLineMode(2, 7);
            s.setLineMode(3, 200);
            s.setWriteRate(0, 0);
            s.setWriteRate(5, 11);
        }) << block([](NUVQORASettings &s) {
            s.setLineMode(2, 0);
            s.setLineMode(3, 0);
            s.setWriteRate(0, 0);
            s.setWriteRate(5, 0);
        });
        QTest::newRow("GPS gate is bit 1 only") << block([](NUVQORASettings &s) { s.setGpsGate(0xFD); })
                                                << block([](NUVQORASettings &s) { s.setGpsGate(0); });
        QTest::newRow("GPS gate written as 2") << block([](NUVQORASettings &s) { s.setGpsGate(3); })
                                               << block([](NUVQORASettings &s) { s.setGpsGate(2); });
        const Edit shortCallsign = [](NUVQORASettings &s) { s.setCallsign(QStringLiteral("AB")); };
        QTest::newRow("short callsign stays zero-padded") << block(shortCallsign) << block(shortCallsign);
        QTest::newRow("angle fields beyond the cosine range") << block([](NUVQORASettings &s) {
            s.setLineMaxAngle(0, 32767);
            s.setLineMaxAngle(1, -32768);
        }) << block([](NUVQORASettings &s) {
            s.setLineMaxAngle(0, 10000);
            s.setLineMaxAngle(1, NUVQORASettings::NoAngleLimit);
        });
    }

    void blocksRoundTrip()
    {
        QFETCH(NUVQORASettings, shown);
        QFETCH(NUVQORASettings, written);
        SettingsWidget form;
        CapturedOutput output;
        form.setSettings(shown);
        QCOMPARE(QString::fromStdString(output.text()), QStringLiteral("setting settings!\n"));
        const NUVQORASettings result = form.getSettings();
        QCOMPARE(bytes(result).toHex(' '), bytes(written).toHex(' '));
        QVERIFY(!result.valid);
    }

    // Each field lands in its own control and reads as the user expects.
    void controlsShowTheBlock_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        const struct {
            const char *name, *text;
        } rows[] = {
            {"lineAMode", "Apogee"},           {"lineBMode", "Altitude after apogee"},
            {"lineCMode", "Time"},             {"lineDMode", "Disabled"},
            {"lineCTime", "12.3 s"},           {"lineDAltitude", "4321 m"},
            {"lineBOnTime", "2.5 s"},          {"lineADelay", "0.7 s"},
            {"lineCStage", "4"},               {"lineBMaxAngle", "60°"},
            {"minComputerVoltage", "4.7 V"},   {"txOn", "checked"},
            {"writeFlash", "unchecked"},       {"ignorePressurePreApogee", "unchecked"},
            {"ignorePressurePostApogee", "checked"}, {"autoShutdown", "checked"},
            {"LVCCuttoff", "unchecked"},       {"modulationFrequency", "4 kbps"},
            {"txGPSGate", "checked"},          {"RFChannel", "77"},
            {"HAMCallsign", "K1ABC"},          {"padWriteMultiple", "3"},
            {"preApogeeWriteMultiple", "4"},   {"postApogeeWriteMultiple", "5"},
            {"groundWriteMultiple", "6"},      {"WriteRateGYROXYZ", "70 ms"},
            {"WriteRateORIENTATION", "200 ms"}, {"WriteRateGPSLLSOL", "200 ms"},
            {"txPriorityTEMP", "9"},           {"txPriorityORIENTATION", "8"},
        };
        for (const auto &row : rows)
            QTest::newRow(row.name) << QString::fromLatin1(row.name) << QString::fromUtf8(row.text);
    }

    void controlsShowTheBlock()
    {
        QFETCH(QString, name);
        QFETCH(QString, text);
        SettingsWidget form;
        CapturedOutput output;
        form.setSettings(block([](NUVQORASettings &s) {
            s.setLineMode(2, 2);
            s.setLineTime(2, 123);
            s.setLineAltitude(3, 4321);
            s.setLineOnTime(1, 25);
            s.setLineDelay(0, 7);
            s.setLineStage(2, 4);
            s.setLineMaxAngle(1, 5000);
            s.setMinComputerVoltage(47);
            s.setFlags(NUVQORASettings::TransmitterOn | NUVQORASettings::IgnorePressureAfterApogee
                       | NUVQORASettings::AutomaticShutdown | (3 << NUVQORASettings::DataRateShift));
            s.setGpsGate(2);
            s.setRfChannel(77);
            s.setCallsign(QStringLiteral("K1ABC"));
            for (int stage = 0; stage < 4; ++stage)
                s.setWriteMultiple(stage, uint8_t(3 + stage));
            s.setWriteRate(3, 7);
            s.setWriteRate(15, 2);
            s.setTxPriority(6, 9);
            s.setTxPriority(15, 8);
        }));
        QCOMPARE(shown(control<QWidget>(form, name)), text);
    }

    // Lines A to D in the modes time, peak velocity, climb altitude and altitude after apogee.
    void userEditsReachTheBlock_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("input");
        QTest::addColumn<Field>("field");
        QTest::addColumn<QVariant>("value");

        QTest::newRow("time") << "lineATime" << "12.3" << Field([](auto &s) { return int(s.lineTime(0)); })
                              << QVariant(123);
        QTest::newRow("on time") << "lineAOnTime" << "2.5" << Field([](auto &s) { return int(s.lineOnTime(0)); })
                                 << QVariant(25);
        QTest::newRow("delay") << "lineBDelay" << "0.7" << Field([](auto &s) { return int(s.lineDelay(1)); })
                               << QVariant(7);
        QTest::newRow("cut-off voltage") << "minComputerVoltage" << "4.7"
                                         << Field([](auto &s) { return int(s.minComputerVoltage()); })
                                         << QVariant(47);
        QTest::newRow("six-character callsign fills the field")
            << "HAMCallsign" << "K1ABCD" << Field(callsignBytes) << QVariant(QByteArray("K1ABCD"));
        QTest::newRow("longer callsign is cut at six")
            << "HAMCallsign" << "K1ABCDEF" << Field(callsignBytes) << QVariant(QByteArray("K1ABCD"));
        QTest::newRow("short callsign is zero-padded")
            << "HAMCallsign" << "AB" << Field(callsignBytes) << QVariant(QByteArray("AB\0\0\0\0", 6));
        QTest::newRow("transmitter on") << "txOn" << "" << Field([](auto &s) { return int(s.flags()); })
                                        << QVariant(0x93);
        QTest::newRow("write to flash off") << "writeFlash" << ""
                                            << Field([](auto &s) { return int(s.flags()); }) << QVariant(0x90);
        QTest::newRow("GPS gate") << "txGPSGate" << "" << Field([](auto &s) { return int(s.gpsGate()); })
                                  << QVariant(2);
        QTest::newRow("angle limit") << "maxAngleBEnabled" << ""
                                     << Field([](auto &s) { return int(s.lineMaxAngle(1)); }) << QVariant(-10000);
    }

    void userEditsReachTheBlock()
    {
        QFETCH(QString, name);
        QFETCH(QString, input);
        QFETCH(Field, field);
        QFETCH(QVariant, value);
        SettingsWidget form;
        CapturedOutput output;
        form.setSettings(block([](NUVQORASettings &s) {
            const uint8_t modes[] = {2, 3, 4, 6};
            for (int line = 0; line < 4; ++line)
                s.setLineMode(line, modes[line]);
            s.setLineMaxAngle(1, 5000);
        }));
        enter(form, name, input);
        QCOMPARE(field(form.getSettings()), value);
    }

    void angleFields_data()
    {
        QTest::addColumn<int>("field");
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("degrees");
        QTest::addColumn<bool>("limited");
        QTest::addColumn<bool>("spinEnabled");
        QTest::addColumn<int>("written");

        QTest::newRow("no limit") << -10000 << 3 << 180 << false << false << -10000;
        QTest::newRow("right angle") << 0 << 3 << 90 << true << true << 0;
        QTest::newRow("upright") << 10000 << 3 << 0 << true << true << 10000;
        QTest::newRow("sixty degrees") << 5000 << 3 << 60 << true << true << 5000;
        QTest::newRow("whole degrees only") << 9999 << 3 << 1 << true << true << 9998;
        QTest::newRow("limit kept but idle outside peak velocity") << 0 << 5 << 90 << true << false << 0;
        QTest::newRow("above the cosine range") << 32767 << 3 << 0 << true << true << 10000;
        QTest::newRow("below the cosine range") << -32768 << 3 << 180 << false << false << -10000;
    }

    void angleFields()
    {
        QFETCH(int, field);
        QFETCH(int, mode);
        QFETCH(int, degrees);
        QFETCH(bool, limited);
        QFETCH(bool, spinEnabled);
        QFETCH(int, written);
        SettingsWidget form;
        CapturedOutput output;
        form.setSettings(block([&](NUVQORASettings &s) {
            s.setLineMode(0, uint8_t(mode));
            s.setLineMaxAngle(0, int16_t(field));
        }));
        const auto *spin = control<QSpinBox>(form, "lineAMaxAngle");
        QCOMPARE(spin->value(), degrees);
        QCOMPARE(control<QCheckBox>(form, "maxAngleAEnabled")->isChecked(), limited);
        QCOMPARE(spin->isEnabled(), spinEnabled);
        QCOMPARE(int(form.getSettings().lineMaxAngle(0)), written);
    }

    void angleLimitToggledByTheUser()
    {
        SettingsWidget form;
        CapturedOutput output;
        form.setSettings(block([](NUVQORASettings &s) {
            s.setLineMode(3, 3);
            s.setLineMaxAngle(3, 5000);
        }));
        auto *box = control<QCheckBox>(form, "maxAngleDEnabled");
        auto *spin = control<QSpinBox>(form, "lineDMaxAngle");

        enter(form, "maxAngleDEnabled", {});
        QVERIFY(!box->isChecked());
        QVERIFY(!spin->isEnabled());
        QCOMPARE(spin->value(), 180);
        QCOMPARE(int(form.getSettings().lineMaxAngle(3)), -10000);

        enter(form, "maxAngleDEnabled", {});
        QVERIFY(spin->isEnabled());
        enter(form, "lineDMaxAngle", "45");
        QCOMPARE(int(form.getSettings().lineMaxAngle(3)), 7071);
    }

    // Line B starts in peak velocity; the user then chooses the mode.
    void modeEnablesLineFields_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("angleLimited");
        QTest::addColumn<QStringList>("enabled");

        const QStringList timing = {"lineBOnTime", "lineBDelay"};
        QTest::newRow("disabled") << 0 << true << QStringList();
        QTest::newRow("input") << 1 << true << QStringList();
        QTest::newRow("time") << 2 << false << QStringList{"lineBTime"} + timing;
        QTest::newRow("time leaves a stored angle limit idle") << 2 << true << QStringList{"lineBTime"} + timing;
        QTest::newRow("peak velocity") << 3 << false << QStringList{"lineBStage", "maxAngleBEnabled"} + timing;
        QTest::newRow("peak velocity with an angle limit")
            << 3 << true << QStringList{"lineBStage", "lineBMaxAngle", "maxAngleBEnabled"} + timing;
        QTest::newRow("climb altitude") << 4 << false << QStringList{"lineBAltitude"} + timing;
        QTest::newRow("apogee") << 5 << false << timing;
        QTest::newRow("altitude after apogee") << 6 << false << QStringList{"lineBAltitude"} + timing;
    }

    void modeEnablesLineFields()
    {
        QFETCH(int, mode);
        QFETCH(bool, angleLimited);
        QFETCH(QStringList, enabled);
        SettingsWidget form;
        CapturedOutput output;
        form.setSettings(block([&](NUVQORASettings &s) {
            s.setLineMode(1, 3);
            s.setLineMaxAngle(1, angleLimited ? 0 : NUVQORASettings::NoAngleLimit);
        }));
        control<QComboBox>(form, "lineBMode")->setCurrentIndex(mode);

        QStringList found;
        for (const QString &name : lineBFields)
            if (control<QWidget>(form, name)->isEnabled())
                found << name;
        QStringList expected;
        for (const QString &name : lineBFields)
            if (enabled.contains(name))
                expected << name;
        QCOMPARE(found, expected);
    }

    // Rates are combo indexes (-1: no item) by event kind; the multiples are pad to ground.
    void recordingTimeEstimate_data()
    {
        QTest::addColumn<QVector<int>>("rates");
        QTest::addColumn<QVector<int>>("multiples");
        QTest::addColumn<QStringList>("texts");

        const QVector<int> fastest(16, 0), slowest(16, 9), none(16, -1);
        QVector<int> slowGyro = fastest, noGpsPosition = fastest;
        slowGyro[3] = 9;
        noGpsPosition[0] = -1;
        const QVector<int> start = {10, 1, 1, 0};

        QTest::newRow("values at start")
            << fastest << start << QStringList{"4.0 hours", "0.4 hours", "0.4 hours", "Unlimited"};
        QTest::newRow("slowest intervals")
            << slowest << QVector<int>{1, 1, 1, 1} << QStringList{"4.0 hours", "4.0 hours", "4.0 hours", "4.0 hours"};
        QTest::newRow("largest multiples") << slowest << QVector<int>{100, 100, 100, 100}
                                           << QStringList{"395.3 hours", "395.3 hours", "395.3 hours", "395.3 hours"};
        QTest::newRow("gyro at 100 ms")
            << slowGyro << start << QStringList{"5.3 hours", "0.5 hours", "0.5 hours", "Unlimited"};
        QTest::newRow("a row without an interval is left out")
            << noGpsPosition << start << QStringList{"4.1 hours", "0.4 hours", "0.4 hours", "Unlimited"};
        QTest::newRow("no row with an interval")
            << none << start << QStringList{"Unlimited", "Unlimited", "Unlimited", "Unlimited"};
        QTest::newRow("no phase recorded")
            << fastest << QVector<int>{0, 0, 0, 0} << QStringList{"Unlimited", "Unlimited", "Unlimited", "Unlimited"};
    }

    void recordingTimeEstimate()
    {
        QFETCH(QVector<int>, rates);
        QFETCH(QVector<int>, multiples);
        QFETCH(QStringList, texts);
        const QStringList kinds = {"GPSLLSOL", "ACCELZ",  "ACCELXY", "GYROXYZ", "MAGXYZ", "PRESSURE",
                                   "TEMP",     "BATEJECT", "BATCOMP", "GPSTIME", "STATUS", "LINEA",
                                   "LINEB",    "LINEC",   "LINED",   "ORIENTATION"};
        const QStringList phases = {"padWriteMultiple", "preApogeeWriteMultiple", "postApogeeWriteMultiple",
                                    "groundWriteMultiple"};
        const QStringList results = {"possiblePadTime", "possiblePreApogeeTime", "possiblePostApogeeTime",
                                     "possibleGroundTime"};
        SettingsWidget form;
        for (int kind = 0; kind < kinds.size(); ++kind)
            control<QComboBox>(form, "WriteRate" + kinds[kind])->setCurrentIndex(rates[kind]);
        for (int phase = 0; phase < phases.size(); ++phase)
            control<QSpinBox>(form, phases[phase])->setValue(multiples[phase]);

        QStringList shownTexts;
        for (const QString &result : results)
            shownTexts << shown(control<QLabel>(form, result));
        QCOMPARE(shownTexts, texts);
    }

    // The constructor fills the lists once and starts every line disabled.
    void listsAtStart()
    {
        SettingsWidget form;
        for (const char *name : {"lineAMode", "lineBMode", "lineCMode", "lineDMode"}) {
            const auto *mode = control<QComboBox>(form, name);
            QCOMPARE(mode->count(), 7);
            QCOMPARE(mode->currentText(), QStringLiteral("Disabled"));
        }
        QCOMPARE(control<QComboBox>(form, "modulationFrequency")->count(), 4);
        const auto *gyro = control<QComboBox>(form, "WriteRateGYROXYZ");
        QCOMPARE(gyro->count(), 10);
        QCOMPARE(gyro->itemText(0), QStringLiteral("10 ms"));
        QCOMPARE(gyro->itemText(9), QStringLiteral("100 ms"));
        QCOMPARE(control<QComboBox>(form, "WriteRateTEMP")->itemText(9), QStringLiteral("5000 ms"));
        for (const QString &name : lineBFields)
            QVERIFY2(!control<QWidget>(form, name)->isEnabled(), qPrintable(name));
    }

    // Random blocks, as a damaged flight file or a foreign device could hold.
    void anyBlockRoundTripsStably()
    {
        SettingsWidget form;
        CapturedOutput output;
        QRandomGenerator random(11);
        for (int round = 0; round < 2000; ++round) {
            quint32 noise[25];
            random.fillRange(noise);
            NUVQORASettings shown;
            std::memcpy(shown.image.data(), noise, shown.image.size());
            shown.valid = noise[24] & 0x100;

            form.setSettings(shown);
            const NUVQORASettings first = form.getSettings();
            form.setSettings(first);
            const NUVQORASettings second = form.getSettings();
            QVERIFY2(first == second, qPrintable(bytes(shown).toHex()));
            QCOMPARE(bytes(first).left(5), bytes(NUVQORASettings()).left(5));
            QVERIFY(!first.valid);
        }
    }
};

QTEST_MAIN(TestSettingsWidget)
#include "TestSettingsWidget.moc"
