#include "SafeFileWriter.h"

#include <QFile>
#include <QFileInfo>

SafeFileWriter::SafeFileWriter(const QString &path)
    : m_path(path)
{
}

bool SafeFileWriter::open()
{
    const QFileInfo target(m_path);
    if (target.exists() && !target.isFile() && !target.isDir()) {
        // Renaming onto a device or a pipe would put a plain file in its place.
        m_file = std::make_unique<QFile>(m_path);
    } else {
        auto saveFile = std::make_unique<QSaveFile>(m_path);
        m_replacement = saveFile.get();
        m_file = std::move(saveFile);
    }
    if (!m_file->open(QIODevice::WriteOnly)) {
        m_error = m_file->errorString();
        return false;
    }
    m_buffer = std::make_unique<QIODeviceStreamBuffer>(*m_file);
    m_out.rdbuf(m_buffer.get());
    return true;
}

bool SafeFileWriter::commit()
{
    if (!m_file || !m_file->isOpen())
        return false;
    // A save file renames even when the bytes it still buffers fail to reach the disk, so
    // everything is flushed first, and a failure abandons the new file.
    const bool written = m_out.flush().good() && m_file->flush();
    if (!written)
        m_error = m_file->errorString();
    if (m_replacement) {
        if (!written)
            m_replacement->cancelWriting(); // the commit then only removes the temporary file
        if (m_replacement->commit())
            return true;
        if (written)
            m_error = m_replacement->errorString();
        return false;
    }
    m_file->close();
    if (written && m_file->error() != QFileDevice::NoError) {
        m_error = m_file->errorString();
        return false;
    }
    return written;
}
