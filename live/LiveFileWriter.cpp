#include "LiveFileWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

LiveFileWriter::LiveFileWriter(const QString &path, QObject *parent)
    : QObject(parent)
    , m_path(path)
    , m_thread(&LiveFileWriter::run, this)
{
}

LiveFileWriter::~LiveFileWriter()
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void LiveFileWriter::write(const QByteArray &text)
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_pending = text;
        m_hasPending = true;
    }
    m_changed.notify_all();
}

void LiveFileWriter::waitForWrites()
{
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [this] { return !m_hasPending && !m_writing; });
    }
    deliverResults();
}

void LiveFileWriter::deliverResults()
{
    std::deque<bool> results;
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        results.swap(m_results);
    }
    for (bool ok : results)
        emit written(ok);
}

void LiveFileWriter::run()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_stopping || m_hasPending; });
        if (!m_hasPending)
            return;
        const QByteArray text = m_pending;
        m_hasPending = false;
        m_writing = true;
        lock.unlock();
        const bool ok = writeFile(text);
        lock.lock();
        m_writing = false;
        m_results.push_back(ok);
        // The call carries nothing: the result waits under the mutex.
        QMetaObject::invokeMethod(this, &LiveFileWriter::deliverResults, Qt::QueuedConnection);
        m_changed.notify_all();
    }
}

bool LiveFileWriter::writeFile(const QByteArray &text) const
{
    QDir().mkpath(QFileInfo(m_path).path());
    const QString partPath = m_path + ".part";
    QFile part(partPath);
    if (!part.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    part.write(text);
    part.close();
    // Not forced to the disk: the file is rewritten with every change.
    return part.error() == QFileDevice::NoError
        && std::rename(QFile::encodeName(partPath).constData(), QFile::encodeName(m_path).constData()) == 0;
}
