#include "FlightRecorder.h"

#include "NUVQORAFlight.h"

#include <QDir>

FlightRecorder::FlightRecorder(QObject *parent)
    : QObject(parent)
    , m_thread(&FlightRecorder::run, this)
{
}

FlightRecorder::~FlightRecorder()
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
    }
    m_jobAdded.notify_one();
    m_thread.join();
}

void FlightRecorder::add(std::unique_ptr<NUVEvent> event)
{
    m_unsent.push_back(std::move(event));
}

void FlightRecorder::save(const QStringList &paths, const Done &done, const QString &folder)
{
    request({std::move(m_unsent), paths, folder, false, done, {}});
    m_unsent.clear();
}

void FlightRecorder::saveAndClear(const QStringList &paths, const Done &done, const QString &folder)
{
    request({std::move(m_unsent), paths, folder, true, done, {}});
    m_unsent.clear();
}

void FlightRecorder::discard(Events events)
{
    Job job;
    job.doomed = std::move(events);
    request(std::move(job));
}

void FlightRecorder::request(Job job)
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_jobs.push_back(std::move(job));
    }
    m_jobAdded.notify_one();
}

void FlightRecorder::run()
{
    NUVQORAFlight recording; // the recording as this thread holds it
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_jobAdded.wait(lock, [this] { return m_stopping || !m_jobs.empty(); });
        if (m_jobs.empty())
            return;
        Job job = std::move(m_jobs.front());
        m_jobs.pop_front();
        m_working = true;
        lock.unlock();

        for (std::unique_ptr<NUVEvent> &event : job.recorded)
            recording.appendEvent(std::move(event));
        // Made here, not in the window's thread: on a busy disk it takes as long as a write.
        if (!job.folder.isEmpty())
            QDir().mkpath(job.folder);
        QVector<bool> written;
        for (const QString &path : job.paths)
            written << recording.save(path.toStdWString());
        if (job.clear)
            recording.events.clear();
        job.doomed.clear();

        lock.lock();
        m_working = false;
        if (job.done) {
            m_reports.push_back({std::move(job.done), written});
            // The call carries nothing: the report waits under the mutex.
            QMetaObject::invokeMethod(this, &FlightRecorder::deliverReports, Qt::QueuedConnection);
        }
        if (m_jobs.empty())
            m_jobsDone.notify_all();
    }
}

void FlightRecorder::deliverReports()
{
    std::deque<Report> reports;
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        reports.swap(m_reports);
    }
    for (const Report &report : reports)
        report.done(report.written);
}

void FlightRecorder::waitForSaves()
{
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_jobsDone.wait(lock, [this] { return m_jobs.empty() && !m_working; });
    }
    deliverReports();
}
