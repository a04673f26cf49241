#pragma once

#include <QFile>
#include <QString>

#include <string>

// Paths reach the flight code as wide-character strings: the file system's own encoding
// opens them, UTF-8 prints them.
inline std::string localFileName(const std::wstring &path)
{
    return QFile::encodeName(QString::fromStdWString(path)).toStdString();
}

inline std::string printablePath(const std::wstring &path)
{
    return QString::fromStdWString(path).toStdString();
}
