#pragma once

#include "NUVEvent.h"
#include "PayloadReader.h"

#include <QMetaType>

#include <cstdint>
#include <memory>
#include <string>

// A text message of the flight computer.
class NUVEvent_Text : public NUVEvent
{
public:
    static constexpr NUVEventCode ClassCode = NUVEventCode::Text;
    NUVEventCode code() const override { return ClassCode; }

    std::string text;

    static std::unique_ptr<NUVEvent_Text> fromBytes(PayloadReader payload, uint32_t milliseconds);
};

Q_DECLARE_METATYPE(NUVEvent_Text)
