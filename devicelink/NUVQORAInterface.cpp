#include "NUVQORAInterface.h"

#include "ConsoleSink.h"
#include "DeviceNotice.h"
#include "FirmwareConnection.h"
#include "FlightPhase.h"
#include "LaunchEmulation.h"
#include "LittleEndian.h"
#include "NUVQORAProtocol.h"
#include "PressureAltitude.h"
#include "TickClock.h"

#include <QMetaObject>
#include <QEvent>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <ostream>

namespace {

using Lock = std::lock_guard<std::recursive_mutex>;

constexpr int maxPendingCodes = 8;
constexpr int drainIntervalMs = 10;
// Share of the flight memory that one byte takes, in percent.
constexpr double memoryPercentPerByte = 2.42203e-5;

// Process-wide live-read state, shared by every interface object for the life of the program.
uint16_t pollTick = 0;
bool wrongVersionReported = false;
float magMaximum[3] = {-10, -10, -10};
float magMinimum[3] = {10, 10, 10};
uint32_t gyroEventCount = 0;
uint32_t gyroStartTick = 0;
bool gyroCounting = false;

// Prints the rate of gyro readings, in readings per second, once every 100 readings: a bare
// number on standard output, by design.
void countGyroReading()
{
    const uint32_t now = TickClock::milliseconds();
    if (!gyroCounting) {
        gyroStartTick = now;
        gyroCounting = true;
    }
    const uint32_t elapsed = now - gyroStartTick;
    if (gyroEventCount % 100 == 0 && elapsed > 0)
        ConsoleSink::out() << uint64_t(gyroEventCount) * 1000 / elapsed << std::endl;
    ++gyroEventCount;
    if (elapsed > 5000) {
        gyroEventCount = 0;
        gyroStartTick = now - 10;
    }
}

// Removes the magnetometer's hard-iron offset, estimated as the middle of the range seen so far.
void centreMagnetometer(NUVEvent_MagXYZ &event)
{
    float *axes[3] = {&event.x, &event.y, &event.z};
    for (int i = 0; i < 3; ++i) {
        magMaximum[i] = std::max(magMaximum[i], *axes[i]);
        magMinimum[i] = std::min(magMinimum[i], *axes[i]);
        *axes[i] -= (magMaximum[i] + magMinimum[i]) / 2;
    }
    event.x = -event.x;
}

} // namespace

NUVQORAInterface::NUVQORAInterface()
    : m_drainTimer(new QTimer(this))
{
    NUVEvent::registerMetaTypes();
    qRegisterMetaType<NUVQORASettings>("NUVQORASettings");
    qRegisterMetaType<std::shared_ptr<NUVQORAFlight>>("std::shared_ptr<NUVQORAFlight>");

    connect(m_drainTimer, &QTimer::timeout, this, &NUVQORAInterface::processReadEvents);
    m_drainTimer->start(drainIntervalMs);
}

NUVQORAInterface::~NUVQORAInterface() = default;

bool NUVQORAInterface::event(QEvent *event)
{
    // Sent in the old thread, just before the move: the timer stops there and the call travels
    // with the object into its new thread, to start it again first thing. A thread that ends
    // before it ran anything thus leaves no timer running in it.
    if (event->type() == QEvent::ThreadChange) {
        m_drainTimer->stop();
        QMetaObject::invokeMethod(this, &NUVQORAInterface::drainInThisThread, Qt::QueuedConnection);
    }
    return QObject::event(event);
}

// The window destroys the interface from the GUI thread once the worker thread has ended, and
// Qt can stop a timer only in the timer's own thread: stop it there, as the thread ends.
void NUVQORAInterface::drainInThisThread()
{
    // Under the queue mutex, which closeDevices takes once the thread has ended, so that
    // ThreadSanitizer sees this set-up ordered before the interface's destruction.
    const Lock lock(m_queueMutex);
    connect(QThread::currentThread(), &QThread::finished, m_drainTimer, &QTimer::stop, Qt::DirectConnection);
    m_drainTimer->start(drainIntervalMs);
}

void NUVQORAInterface::setConnectionAttemptsEnabled(bool enabled)
{
    m_connectionAttemptsEnabled = enabled;
}

void NUVQORAInterface::setAutoStartFirmware(bool enabled)
{
    m_autoStartFirmware = enabled;
}

void NUVQORAInterface::abortOperations()
{
    m_downloadAbort = true;
    stopEmulation();
}

QString NUVQORAInterface::flightPhaseName(int state)
{
    return FlightPhase::name(state);
}

void NUVQORAInterface::console(const QString &text)
{
    emit consoleMessage(text);
}

void NUVQORAInterface::enableControls(bool enabled)
{
    emit controlsEnableRequested(enabled);
}

void NUVQORAInterface::consoleError(const QString &errorText, int result)
{
    console(errorText + "\n");
    console("Error: " + resultText(result) + "\n");
}

// ---------------------------------------------------------------------------------------------
// Connection

void NUVQORAInterface::attemptConnection()
{
    static const FirmwareConnection connection(QStringLiteral("NUV QORA"), Identity, 5000);
    const Lock lock(m_deviceMutex);
    if (!m_connectionAttemptsEnabled)
        return;
    const FirmwareConnection::Outcome outcome = connection.attempt(
        *this, bootloader, m_autoStartFirmware, wrongVersionReported, [this](const QString &text) { console(text); });
    if (outcome.firmwareInitialized)
        emit firmwareInitialized();
    if (outcome.firmwareStageReached)
        checkDisconnected();
}

void NUVQORAInterface::checkDisconnected()
{
    const Lock lock(m_deviceMutex);
    if (!isOpen())
        emit firmwareDisconnected();
}

void NUVQORAInterface::deviceRemoved(const DeviceNotice &notice)
{
    const Lock lock(m_deviceMutex);
    if (matches(notice)) {
        {
            const Lock queueLock(m_queueMutex);
            m_pendingCodes.clear();
        }
        console("Firmware disconnected.");
        close();
    } else if (bootloader.matches(notice)) {
        console("Bootloader disconnected.");
        bootloader.close();
    }
}

void NUVQORAInterface::closeDevices()
{
    {
        const Lock queueLock(m_queueMutex);
        m_pendingCodes.clear();
    }
    const Lock lock(m_deviceMutex);
    close();
}

QQuaternion NUVQORAInterface::currentOrientation()
{
    const Lock lock(m_orientationMutex);
    return m_orientation;
}

// ---------------------------------------------------------------------------------------------
// Live readings

void NUVQORAInterface::readLiveEvents()
{
    const Lock lock(m_queueMutex);
    if (m_pendingCodes.size() >= maxPendingCodes)
        return;
    using Code = NUVEventCode;
    const auto request = [this](std::initializer_list<Code> codes) {
        for (const Code code : codes)
            m_pendingCodes << toByte(code);
    };
    const uint16_t t = pollTick;
    if (t % 2 == 0)
        request({Code::AccelZ, Code::AccelXY, Code::GyroXYZ});
    if (t % 4 == 0)
        request({Code::MagXYZ});
    if (t % 20 == 0)
        request({Code::Pressure});
    if (t % 50 == 0)
        request({Code::ComputerBattery, Code::EjectionBattery, Code::Temperature});
    if (t % 20 == 0)
        request({Code::LineA, Code::LineB, Code::LineC, Code::LineD, Code::Status, Code::GPSLLSol, Code::GPSTime});
    if (t % 2 == 0)
        request({Code::Orientation});
    pollTick = uint16_t(t + 1);
}

// The queue mutex is released before the device is used, so it is never held while the
// device mutex is taken.
bool NUVQORAInterface::takePendingCode(int &code)
{
    const Lock lock(m_queueMutex);
    if (m_pendingCodes.isEmpty())
        return false;
    code = m_pendingCodes.takeFirst();
    return true;
}

void NUVQORAInterface::processReadEvent()
{
    int code;
    if (takePendingCode(code))
        readLiveEvent(code);
}

void NUVQORAInterface::processReadEvents()
{
    int code;
    for (int i = 0; i < maxPendingCodes && takePendingCode(code); ++i)
        readLiveEvent(code);
}

void NUVQORAInterface::readLiveEvent(int code)
{
    const Lock lock(m_deviceMutex);
    if (!isOpen() || code < 0 || code > 255)
        return;
    const std::unique_ptr<NUVEvent> event = readEvent(uint8_t(code));
    // A reading of another kind than the one asked for is dropped.
    if (event && toByte(event->code()) == code)
        emitLiveEvent(*event);
}

void NUVQORAInterface::emitLiveEvent(const NUVEvent &event)
{
    switch (event.code()) {
    case NUVEventCode::Text: {
        const auto &text = *event.as<NUVEvent_Text>();
        ConsoleSink::out() << text.text << std::endl;
        emit textEventRead(text);
        break;
    }
    case NUVEventCode::AccelZ: emit accelZEventRead(*event.as<NUVEvent_AccelZ>()); break;
    case NUVEventCode::Pressure: emit pressureEventRead(*event.as<NUVEvent_Pressure>()); break;
    case NUVEventCode::ComputerBattery: emit compBatEventRead(*event.as<NUVEvent_ComputerBattery>()); break;
    case NUVEventCode::EjectionBattery: emit ejectBatEventRead(*event.as<NUVEvent_EjectionBattery>()); break;
    case NUVEventCode::Temperature: emit temperatureEventRead(*event.as<NUVEvent_Temperature>()); break;
    case NUVEventCode::LineA: emit inputAEventRead(*event.as<NUVEvent_LineA>()); break;
    case NUVEventCode::LineB: emit inputBEventRead(*event.as<NUVEvent_LineB>()); break;
    case NUVEventCode::LineC: emit inputCEventRead(*event.as<NUVEvent_LineC>()); break;
    case NUVEventCode::LineD: emit inputDEventRead(*event.as<NUVEvent_LineD>()); break;
    case NUVEventCode::AccelXY: emit accelXYEventRead(*event.as<NUVEvent_AccelXY>()); break;
    case NUVEventCode::GyroXYZ:
        countGyroReading();
        emit gyroXYZEventRead(*event.as<NUVEvent_GyroXYZ>());
        break;
    case NUVEventCode::MagXYZ: {
        NUVEvent_MagXYZ centred(*event.as<NUVEvent_MagXYZ>());
        centreMagnetometer(centred);
        emit magXYZEventRead(centred);
        break;
    }
    case NUVEventCode::GPSLLSol: emit gpsLLSolEventRead(*event.as<NUVEvent_GPSLLSol>()); break;
    case NUVEventCode::Status: emit statusEventRead(*event.as<NUVEvent_Status>()); break;
    case NUVEventCode::Ident: emit identEventRead(*event.as<NUVEvent_Ident>()); break;
    case NUVEventCode::GPSTime: emit gpsTimeEventRead(*event.as<NUVEvent_GPSTime>()); break;
    case NUVEventCode::Orientation: {
        const auto &e = *event.as<NUVEvent_Orientation>();
        const Lock lock(m_orientationMutex);
        m_orientation = QQuaternion(e.w, e.x, e.y, e.z);
        break;
    }
    case NUVEventCode::RSSI: // the ground station's reading; the flight computer has no signal for it
    case NUVEventCode::DeltaTime:
    case NUVEventCode::AuxDInput:
    case NUVEventCode::AuxEInput:
    case NUVEventCode::EndOfFlight:
    case NUVEventCode::FlightMarker:
    case NUVEventCode::Unclassified:
    case NUVEventCode::EndOfMemory:
        break;
    }
}

// ---------------------------------------------------------------------------------------------
// Device operations

void NUVQORAInterface::unblockControls()
{
    const Lock lock(m_deviceMutex);
    if (isOpen())
        enableControls(true);
}

void NUVQORAInterface::runCommand(const QString &startText, const QString &errorText,
                                  const std::function<int()> &command, const std::function<void()> &onSuccess)
{
    const Lock lock(m_deviceMutex);
    enableControls(false);
    if (isOpen()) {
        console(startText);
        const int result = command();
        if (result != Ok)
            consoleError(errorText, result);
        else
            onSuccess();
    }
    unblockControls();
}

void NUVQORAInterface::readDeviceSettings()
{
    runCommand(
        "Reading settings... ", "Error reading settings.",
        [this] {
            // "reading settings", "done" and "done emitting" are trace lines printed by design.
            ConsoleSink::out() << "reading settings" << std::endl;
            const int result = readSettings();
            ConsoleSink::out() << "done" << std::endl;
            return result;
        },
        [this] {
            emit settingsRead(settings);
            ConsoleSink::out() << "done emitting" << std::endl;
            console("Success.\n");
        });
}

void NUVQORAInterface::writeDeviceSettings(NUVQORASettings newSettings)
{
    runCommand(
        "Writting settings... ", "Error writting settings.",
        [this, &newSettings] {
            settings = newSettings;
            return writeSettings();
        },
        [this] {
            console("Success.\n");
            readDeviceSettings();
        });
}

void NUVQORAInterface::resetDeviceSettings()
{
    runCommand("Resetting settings... ", "Error resetting settings.", [this] { return resetSettings(); },
               [this] {
                   console("Success.\n");
                   readDeviceSettings();
               });
}

void NUVQORAInterface::viewStoredAlmanacs()
{
    uint8_t list[NUVQORAProtocol::AlmanacListSize] = {};
    runCommand("Reading almanac SV list...", "Error viewing stored almanac list.",
               [this, &list] { return readAlmanacList(list); },
               [this, &list] {
                   console("Stored SV almanacs:");
                   QString entries;
                   for (uint8_t sv : list)
                       entries += "[" + (sv == 0 || sv == 255 ? QStringLiteral(".") : QString::number(sv)) + "]";
                   console(entries + "\n");
                   printStoredAlmanac();
               });
}

void NUVQORAInterface::printStoredAlmanac()
{
    uint8_t almanac[NUVQORAProtocol::AlmanacSize] = {};
    readAlmanac(almanac);
    ConsoleSink::out() << "SV: " << littleEndian32(almanac) << std::endl;
    ConsoleSink::out() << "Week: " << littleEndian32(almanac + 4) << std::endl;
    ConsoleSink::out() << "data: " << std::hex;
    for (int i = 0; i < 40; ++i)
        ConsoleSink::out() << "[" << int(almanac[i]) << "]";
    ConsoleSink::out() << std::dec << std::endl;
}

void NUVQORAInterface::storeAlmanacs()
{
    runCommand("Storing almanacs (this could take up to a minute)...", "Error storing almanacs.",
               [this] { return NUVQORADevice::storeAlmanacs(); }, [this] { console("Success.\n"); });
}

void NUVQORAInterface::uploadAlmanacs()
{
    uint8_t count = 0;
    runCommand("Uploading almanacs...", "Error uploading almanacs.",
               [this, &count] { return NUVQORADevice::uploadAlmanacs(count); },
               [this, &count] { console("Almanacs uploaded: " + QString::number(count) + "\n"); });
}

void NUVQORAInterface::clearSVData()
{
    runCommand("Clearing space vehicle data...", "Error clearing data.",
               [this] { return NUVQORADevice::clearSVData(); }, [this] { console("Success.\n"); });
}

void NUVQORAInterface::calibratePressure(double MSLAltitude)
{
    const Lock lock(m_deviceMutex);
    enableControls(false);
    if (isOpen())
        calibratePressureNow(float(MSLAltitude));
    unblockControls();
}

void NUVQORAInterface::calibratePressureNow(float altitude)
{
    if (readSettings() != Ok) {
        console("Error calibrating pressure - couldnt read settings.");
        return;
    }
    const std::unique_ptr<NUVEvent> reading = readEvent(toByte(NUVEventCode::Pressure));
    const auto *pressure = reading ? reading->as<NUVEvent_Pressure>() : nullptr;
    if (!pressure) {
        console("Error calibrating pressure - no pressure reading.");
        return;
    }
    const int8_t currentOffset = settings.pressureOffset();
    const float target = standardPressureAt(altitude);
    const float offset = target - pressure->pressure + currentOffset;
    ConsoleSink::out() << "offset: " << offset << std::endl;
    if (!(offset >= -127 && offset <= 127))
        console("Warning! Target pressure out of range. MSL Pressure altitude readings will not be accurate.");
    // An altitude beyond the atmosphere model gives no target at all: keep the offset there is.
    settings.setPressureOffset(std::isnan(offset) ? currentOffset : int8_t(std::clamp(offset, -127.0f, 127.0f)));
    console("Calibrated pressure. Writing settings...");
    writeDeviceSettings(settings);
}

void NUVQORAInterface::downloadFlights()
{
    const Lock lock(m_deviceMutex);
    enableControls(false);
    if (isOpen())
        downloadFlightsNow();
    unblockControls();
}

void NUVQORAInterface::downloadFlightsNow()
{
    uint32_t size = 0;
    const int sizeResult = totalDataSize(size);
    if (sizeResult != Ok) {
        console("Can't get total data size: " + resultText(sizeResult));
        return;
    }
    const double percentage = std::ceil(std::min(size * memoryPercentPerByte, 100.0));
    console("Memory used: " + QString::number(percentage, 'f', 0) + "%");
    ConsoleSink::out() << "Total flight data size: " << size << std::endl;

    const uint32_t start = TickClock::milliseconds();
    std::vector<uint8_t> image;
    downloadData(image, size, [this](int total, int received) {
        emit flightDownloadProgress(total, received);
        return m_downloadAbort.load();
    });
    ConsoleSink::out() << "Time: " << TickClock::milliseconds() - start << std::endl;

    console("Parsing flights...");
    const std::vector<std::shared_ptr<NUVQORAFlight>> flights = NUVQORAFlight::parseMemory(image);
    for (const std::shared_ptr<NUVQORAFlight> &flight : flights) {
        ConsoleSink::out() << "size: " << flight->events.size() << std::endl;
        emit flightDownloaded(flight);
    }
    console(QString::number(flights.size()) + " flight(s) downloaded.");
}

void NUVQORAInterface::clearFlightData()
{
    const Lock lock(m_deviceMutex);
    enableControls(false);
    console("Clearing flight memory (this may up to a minute)...");
    const int result = clearFlightMemory();
    if (result != Ok) {
        console("Failed to clear flight memory: " + resultText(result));
    } else {
        console("Flight memory cleared!");
        emit flightDataCleared();
    }
    unblockControls();
}

void NUVQORAInterface::fireLine(int line)
{
    const Lock lock(m_deviceMutex);
    enableControls(false);
    ConsoleSink::out() << "firing line " << line << std::endl;
    if (line >= 0 && line <= 255)
        NUVQORADevice::fireLine(uint8_t(line));
    unblockControls();
}

void NUVQORAInterface::_toBootloader()
{
    const Lock lock(m_deviceMutex);
    if (!isOpen())
        return;
    console("Exiting firmware...");
    const int result = exitFirmware();
    if (result != Ok)
        consoleError("Error exiting firmware.", result);
    else
        console("Awaiting bootloader initialization.\n");
}

void NUVQORAInterface::leaveFirmwareForUpdate()
{
    bool sentToBootloader = false;
    {
        const Lock lock(m_deviceMutex);
        if (isOpen()) {
            exitFirmware();
            sentToBootloader = true;
        }
    }
    emit firmwareLeftForUpdate(sentToBootloader);
}

// ---------------------------------------------------------------------------------------------
// Launch emulation

void NUVQORAInterface::emulateLaunch(QString sourceFile, QString targetFile)
{
    emulateLaunch(sourceFile, targetFile, true);
}

void NUVQORAInterface::stopEmulation()
{
    m_emulationStop = true;
}

void NUVQORAInterface::emulateLaunch(QString sourceFile, QString targetFile, bool realTime)
{
    const Lock lock(m_deviceMutex);
    enableControls(false);
    m_emulationStop = false;
    console("Emulating flight on device...");
    LaunchEmulation emulation(
        *this, [this](const QString &text) { console(text); },
        [this] { return m_emulationStop || m_downloadAbort; });
    emulation.run(sourceFile, targetFile, realTime);
    emit emulationComplete();
    unblockControls();
}
