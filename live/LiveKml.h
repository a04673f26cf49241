#pragma once

#include <QObject>
#include <QString>

class LiveFileWriter;

// The live KML file: one placemark at the latest position, for an earth viewer that links to
// the file. It is written from a thread of its own, as LiveFileWriter tells why.
class LiveKml : public QObject
{
    Q_OBJECT

public:
    // Each program keeps the text it has always written.
    struct Format
    {
        QString description;
        int digits;               // significant digits of the longitude and latitude
        QString coordinateSuffix; // after the latitude: an altitude or nothing
    };

    LiveKml(const QString &path, const Format &format, QObject *parent);

    void write(double latitude, double longitude);

signals:
    // A line for the console. A fix comes every second: a failed write is reported once, and
    // again only after a write has worked in between.
    void failed(const QString &line);

private:
    void written(bool ok);

    const QString m_path;
    const Format m_format;
    LiveFileWriter *m_writer;
    bool m_failureReported = false;
};
