#include "FlightRecorder.h"

#include "NUVQORAFlight.h"

#include <QCoreApplication>
#include <QEvent>
#include <QThread>

namespace {

// The recording as the saving thread holds it.
class RecordingWriter : public QObject
{
public:
    NUVQORAFlight flight;
};

} // namespace

FlightRecorder::FlightRecorder(QObject *parent)
    : QObject(parent)
    , m_thread(new QThread(this))
    , m_writer(new RecordingWriter)
{
    m_writer->moveToThread(m_thread);
    connect(m_thread, &QThread::finished, m_writer, &QObject::deleteLater);
    m_thread->start();
}

FlightRecorder::~FlightRecorder()
{
    // The quit is queued behind every save asked for.
    QMetaObject::invokeMethod(m_writer, [this] { m_thread->quit(); }, Qt::QueuedConnection);
    m_thread->wait();
}

void FlightRecorder::add(std::unique_ptr<NUVEvent> event)
{
    m_unsent.push_back(std::move(event));
}

void FlightRecorder::save(const QStringList &paths, const Done &done)
{
    request(paths, false, done);
}

void FlightRecorder::saveAndClear(const QStringList &paths, const Done &done)
{
    request(paths, true, done);
}

void FlightRecorder::request(const QStringList &paths, bool clear, const Done &done)
{
    auto events = std::make_shared<std::vector<std::unique_ptr<NUVEvent>>>(std::move(m_unsent));
    m_unsent.clear();
    auto *writer = static_cast<RecordingWriter *>(m_writer);
    QMetaObject::invokeMethod(
        writer,
        [this, writer, events, paths, clear, done] {
            for (std::unique_ptr<NUVEvent> &event : *events)
                writer->flight.appendEvent(std::move(event));
            QVector<bool> written;
            for (const QString &path : paths)
                written << writer->flight.save(path.toStdWString());
            if (clear)
                writer->flight.events.clear();
            // Dropped when the recorder is gone by then.
            QMetaObject::invokeMethod(this, [done, written] { done(written); }, Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
}

void FlightRecorder::waitForSaves()
{
    QMetaObject::invokeMethod(m_writer, [] {}, Qt::BlockingQueuedConnection);
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
}
