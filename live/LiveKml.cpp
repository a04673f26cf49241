#include "LiveKml.h"

#include "LiveFileWriter.h"

#include <QFileInfo>
#include <QTextStream>

LiveKml::LiveKml(const QString &path, const Format &format, QObject *parent)
    : QObject(parent)
    , m_path(path)
    , m_format(format)
    , m_writer(new LiveFileWriter(path, this))
{
    connect(m_writer, &LiveFileWriter::written, this, &LiveKml::written);
}

void LiveKml::write(double latitude, double longitude)
{
    QString kml;
    QTextStream(&kml) << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      << "<kml xmlns=\"http://www.opengis.net/kml/2.2\">\n"
                      << "<Placemark>\n"
                      << "<name>Current</name>\n"
                      << "<description>" << m_format.description << "</description>\n"
                      << "<Point>\n"
                      << "<coordinates>" << QString::number(longitude, 'g', m_format.digits) << ','
                      << QString::number(latitude, 'g', m_format.digits) << m_format.coordinateSuffix
                      << "</coordinates>\n"
                      << "</Point>\n"
                      << "</Placemark>\n"
                      << "</kml>\n";
    m_writer->write(kml.toUtf8());
}

void LiveKml::written(bool ok)
{
    if (!ok && !m_failureReported)
        emit failed("Could not write the live KML file " + QFileInfo(m_path).absoluteFilePath());
    m_failureReported = !ok;
}
