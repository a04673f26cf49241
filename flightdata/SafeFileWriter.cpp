#include "SafeFileWriter.h"

#include <QFile>
#include <QFileInfo>

SafeFileWriter::SafeFileWriter(const QString &path)
    : path(path)
{
}

bool SafeFileWriter::open()
{
    const QFileInfo target(path);
    if (target.exists() && !target.isFile() && !target.isDir()) {
        // Renaming onto a device or a pipe would put a plain file in its place.
        file = std::make_unique<QFile>(path);
    } else {
        auto saveFile = std::make_unique<QSaveFile>(path);
        replacement = saveFile.get();
        file = std::move(saveFile);
    }
    if (!file->open(QIODevice::WriteOnly)) {
        error = file->errorString();
        return false;
    }
    buffer = std::make_unique<QIODeviceStreamBuffer>(*file);
    out.rdbuf(buffer.get());
    return true;
}

bool SafeFileWriter::commit()
{
    if (!file || !file->isOpen())
        return false;
    // A save file renames even when the bytes it still buffers fail to reach the disk, so
    // everything is flushed first, and a failure abandons the new file.
    const bool written = out.flush().good() && file->flush();
    if (!written)
        error = file->errorString();
    if (replacement) {
        if (!written)
            replacement->cancelWriting(); // the commit then only removes the temporary file
        if (replacement->commit())
            return true;
        if (written)
            error = replacement->errorString();
        return false;
    }
    file->close();
    if (written && file->error() != QFileDevice::NoError) {
        error = file->errorString();
        return false;
    }
    return written;
}
