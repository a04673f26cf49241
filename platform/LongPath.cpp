#include "LongPath.h"

#include <QFileInfo>

QString longPathName(const QString &path)
{
    if (path.isEmpty())
        return QString();
    return QFileInfo(path).canonicalFilePath();
}
