#pragma once

#include "QIODeviceStreamBuffer.h"

#include <QSaveFile>
#include <QString>

#include <memory>
#include <ostream>

// Writes a whole file so that readers find either the previous file or the complete new one,
// and so that a write that fails part-way (a full disk, a size limit) is reported as failed.
// The bytes go to a temporary file beside the target, which replaces the target only once
// every byte has reached it; otherwise the temporary file is removed and the target stays
// as it was. A target that exists but is no regular file (a device, a pipe) cannot be
// replaced; it is written directly, failures reported all the same.
class SafeFileWriter
{
public:
    explicit SafeFileWriter(const QString &path);

    // False when the file cannot be created; errorString() says why.
    bool open();
    // Either of the two, not both: the stream for standard stream writers, the device for Qt's.
    std::ostream &stream() { return m_out; }
    QIODevice &device() { return *m_file; }
    // True only when every byte reached the file and it now stands in the target's place.
    bool commit();
    QString errorString() const { return m_error; }

private:
    QString m_path;
    std::unique_ptr<QFileDevice> m_file;
    QSaveFile *m_replacement = nullptr; // the file, when it replaces the target on commit
    std::unique_ptr<QIODeviceStreamBuffer> m_buffer;
    std::ostream m_out{nullptr};
    QString m_error;
};
