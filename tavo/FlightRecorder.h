#pragma once

#include "NUVEvent.h"

#include <QObject>
#include <QStringList>
#include <QVector>

#include <functional>
#include <memory>
#include <vector>

class QThread;

// Writes the live recording to flight files from a thread of its own, so that saving an hour
// of telemetry never holds up the window. It keeps its own copy of the recording: the window
// hands it a copy of every event it records, and each save writes the recording as it stood
// when the save was asked for. Saves run one after another, in the order they were asked for,
// so a later save of a file always wins over an earlier one.
class FlightRecorder : public QObject
{
    Q_OBJECT

public:
    // For each path of a save, in order, whether the file now holds the recording.
    using Done = std::function<void(const QVector<bool> &written)>;

    explicit FlightRecorder(QObject *parent = nullptr);
    // Finishes every save asked for, then stops its thread; reports of saves still on their
    // way are dropped.
    ~FlightRecorder() override;

    void add(std::unique_ptr<NUVEvent> event);
    // Writes the recording to each path in turn; done runs in this object's thread afterwards.
    void save(const QStringList &paths, const Done &done);
    // The same, then the recording starts empty.
    void saveAndClear(const QStringList &paths, const Done &done);

    // Returns once every save asked for so far is written and reported.
    void waitForSaves();

private:
    void request(const QStringList &paths, bool clear, const Done &done);

    QThread *m_thread;
    QObject *m_writer; // lives in m_thread and holds the recording there
    std::vector<std::unique_ptr<NUVEvent>> m_unsent; // recorded since the last request
};
