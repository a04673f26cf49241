#include "LaunchEmulation.h"

#include "ConsoleSink.h"
#include "EmulationResults.h"
#include "EmulationRow.h"
#include "NUVQORADevice.h"
#include "TickClock.h"

#include <QFile>

#include <ostream>

namespace {

constexpr int rowIntervalMs = 10;
// Longer than any line of a well-formed emulation-data file; the rest of a longer line is skipped.
constexpr qint64 maxLineLength = 4096;

// Reads one line, at most maxLineLength bytes of it, without its line end.
QByteArray readLine(QFile &file)
{
    QByteArray line = file.readLine(maxLineLength);
    if (!line.endsWith('\n')) {
        char c;
        while (file.getChar(&c) && c != '\n') {
        }
    }
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    return line;
}

} // namespace

LaunchEmulation::LaunchEmulation(NUVQORADevice &device, Console console, StopRequested stopRequested)
    : m_device(device)
    , m_console(std::move(console))
    , m_stopRequested(std::move(stopRequested))
{
}

void LaunchEmulation::run(const QString &sourceFile, const QString &targetFile, bool realTime)
{
    QFile source(sourceFile);
    if (!source.open(QIODevice::ReadOnly)) {
        m_console("Failed to read input file!");
        return;
    }
    QFile target(targetFile);
    if (!target.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        m_console("Failed to write to output file!");
        return;
    }

    ConsoleSink::out() << readLine(source).constData() << std::endl; // the source's header, printed by design
    if (target.write(EmulationResults::header()) < 0) {
        m_console("Failed to write to output file!");
        return;
    }
    const uint32_t start = TickClock::milliseconds();
    bool failed = false;
    for (uint32_t i = 0; !source.atEnd(); ++i) {
        if (m_stopRequested()) {
            m_console("Emulation stoped prematurely!");
            return;
        }
        const std::optional<EmulationRow> row = EmulationRow::parse(readLine(source));
        if (!row)
            break;
        if (i == 0 && m_device.initEmulation(row->step.pressure) != NUVQORADevice::Ok) {
            ConsoleSink::out() << "init emulation error" << std::endl;
            failed = true;
            break;
        }
        EmulationStepReply reply;
        if (m_device.emulationStep(row->step, &reply) != NUVQORADevice::Ok) {
            ConsoleSink::out() << "emulation error" << std::endl;
            failed = true;
            break;
        }
        if (target.write(EmulationResults::line(row->time, reply)) < 0) {
            m_console("Failed to write to output file!");
            return;
        }
        if (i % 100 == 0)
            m_console("Emulation time: " + QString::number(row->time, 'f', 0) + " s");
        if (realTime) {
            // Absolute deadlines: a late row is not followed by a sleep, so the rate stays 100 rows/s.
            const uint32_t deadline = start + (i + 1) * rowIntervalMs;
            const int32_t wait = int32_t(deadline - TickClock::milliseconds());
            if (wait > 0)
                TickClock::sleep(uint32_t(wait));
        }
    }
    // A full disk shows only when the last results are flushed: that is no complete run either.
    if (!target.flush()) {
        m_console("Failed to write to output file!");
        return;
    }
    m_console(failed ? "Emulation failed - the data might not be formatted correctly!" : "Emulation complete!");
}
