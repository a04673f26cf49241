#pragma once

#include "NUVEvent.h"

#include <QObject>
#include <QStringList>
#include <QVector>

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// Writes the live recording to flight files from a thread of its own, so that saving an hour
// of telemetry never holds up the window. It keeps its own copy of the recording: the window
// hands it a copy of every event it records, and each save writes the recording as it stood
// when the save was asked for. Saves run one after another, in the order they were asked for,
// so a later save of a file always wins over an earlier one.
//
// Work and reports pass between the two threads under this object's own mutex, a hand-over
// that ThreadSanitizer follows (it cannot see through Qt's event queue).
class FlightRecorder : public QObject
{
    Q_OBJECT

public:
    // For each path of a save, in order, whether the file now holds the recording.
    using Done = std::function<void(const QVector<bool> &written)>;
    using Events = std::vector<std::unique_ptr<NUVEvent>>;

    explicit FlightRecorder(QObject *parent = nullptr);
    // Finishes every save asked for, then stops its thread; reports not yet run are dropped.
    ~FlightRecorder() override;

    void add(std::unique_ptr<NUVEvent> event);
    // Writes the recording to each path in turn, first making `folder` when it is missing (a
    // folder of the program's own: one the user chose is never made); done runs in this
    // object's thread afterwards.
    void save(const QStringList &paths, const Done &done, const QString &folder = QString());
    // The same, then the recording starts empty.
    void saveAndClear(const QStringList &paths, const Done &done, const QString &folder = QString());
    // Frees the events in the recorder's thread: an hour of them takes a tenth of a second.
    void discard(Events events);

    // Returns once every save asked for so far is written and reported.
    void waitForSaves();

private slots:
    // Runs the reports of finished saves, in order.
    void deliverReports();

private:
    struct Job
    {
        Events recorded; // recorded since the previous job
        QStringList paths;
        QString folder; // made before the paths are written
        bool clear = false;
        Done done;
        Events doomed; // only to be freed
    };
    struct Report
    {
        Done done;
        QVector<bool> written;
    };

    void request(Job job);
    void run();

    Events m_unsent; // recorded since the last request; the window's thread only
    std::mutex m_mutex;
    std::condition_variable m_jobAdded;
    std::condition_variable m_jobsDone;
    std::deque<Job> m_jobs;
    std::deque<Report> m_reports;
    bool m_working = false;
    bool m_stopping = false;
    std::thread m_thread; // last: started once everything it uses exists
};
