#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

// Keeps one small file current from a thread of its own. Each text handed over replaces the
// file only once written in full (a temporary file renamed over it), so a reader never finds
// half a file; a text still waiting when a newer one comes is skipped. On a busy disk a rename
// can take a tenth of a second, which the window's thread must not wait for.
class LiveFileWriter : public QObject
{
    Q_OBJECT

public:
    explicit LiveFileWriter(const QString &path, QObject *parent = nullptr);
    // Writes the text still waiting, then stops; reports not yet delivered are dropped.
    ~LiveFileWriter() override;

    void write(const QByteArray &text);
    // Returns once the last text handed over is written and reported.
    void waitForWrites();

signals:
    // In this object's thread, once for each write: whether the file now holds its text.
    void written(bool ok);

private:
    void deliverResults();
    void run();
    bool writeFile(const QByteArray &text) const;

    const QString m_path;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    QByteArray m_pending;
    bool m_hasPending = false;
    bool m_writing = false;
    bool m_stopping = false;
    std::deque<bool> m_results;
    std::thread m_thread; // last: started once everything it uses exists
};
