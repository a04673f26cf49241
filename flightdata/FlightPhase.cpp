#include "FlightPhase.h"

#include <iterator>

namespace FlightPhase {

State fold(unsigned devicePhase)
{
    static constexpr State folded[] = {Pad, Boost, Boost, Coast, ApogeeOrDescent, ApogeeOrDescent, Ground};
    return devicePhase < std::size(folded) ? folded[devicePhase] : Pad;
}

QString name(int devicePhase)
{
    static const char *const names[] = {"pad", "boost", "boost end", "coast", "apogee", "decent", "ground"};
    if (devicePhase >= 0 && devicePhase < int(std::size(names)))
        return QString::fromLatin1(names[devicePhase]);
    return QString::number(devicePhase);
}

} // namespace FlightPhase
