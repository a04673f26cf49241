#include "EmulationRow.h"

#include "PressureAltitude.h"

#include <QList>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace {

// Reads the leading number of a field, after blanks and a plus sign, always in the C locale.
template<typename T>
std::errc leadingNumber(const QByteArray &field, T &value)
{
    const QByteArray text = field.trimmed();
    const char *begin = text.constData();
    const char *end = begin + text.size();
    if (begin != end && *begin == '+')
        ++begin;
    return std::from_chars(begin, end, value).ec;
}

// Reads a field as atof would.
float numberField(const QByteArray &field)
{
    double value = 0;
    return leadingNumber(field, value) == std::errc() ? static_cast<float>(value) : 0.0f;
}

// Reads a field as atoi would; a number too large for int is non-zero.
bool nonZeroIntegerField(const QByteArray &field)
{
    int value = 0;
    const std::errc error = leadingNumber(field, value);
    return error == std::errc::result_out_of_range || (error == std::errc() && value != 0);
}

// Truncates toward zero into T's range; NaN gives 0.
template<typename T>
T saturate(float value)
{
    if (std::isnan(value))
        return 0;
    const double v = value;
    if (v <= static_cast<double>(std::numeric_limits<T>::min()))
        return std::numeric_limits<T>::min();
    if (v >= static_cast<double>(std::numeric_limits<T>::max()))
        return std::numeric_limits<T>::max();
    return static_cast<T>(v);
}

constexpr float accelerationUnitsPerMs2 = 26.095819f; // 256 / 9.81
constexpr float gyroUnitsPerDps = 14.285714f;         // 1 / 0.07

} // namespace

uint32_t EmulationRow::pressureAt(float altitude)
{
    const float capped = std::min(altitude, 30000.0f);
    return saturate<uint32_t>(standardPressureAt(capped));
}

std::optional<EmulationRow> EmulationRow::parse(const QByteArray &line)
{
    const QList<QByteArray> fields = line.split(',');
    if (fields.size() < 10)
        return std::nullopt;

    EmulationRow row;
    row.time = numberField(fields[0]);
    row.step.pressure = pressureAt(numberField(fields[1]));
    row.step.gpsAltitude = static_cast<uint32_t>(saturate<int32_t>(numberField(fields[2]) * 1000.0f));
    row.step.gpsValid = nonZeroIntegerField(fields[3]) ? 0xFF : 0;
    for (int axis = 0; axis < 3; ++axis) {
        row.step.acceleration[axis] = saturate<int16_t>(numberField(fields[4 + axis]) * accelerationUnitsPerMs2);
        row.step.gyro[axis] = saturate<int16_t>(numberField(fields[7 + axis]) * gyroUnitsPerDps);
    }
    return row;
}
