#pragma once

#include "SimulatedDevice.h"

#include <cstring>
#include <deque>
#include <functional>
#include <vector>

// A flight-computer firmware that knows only the flush and the emulation commands and answers
// each emulation step with the next reply of its script; once the script is used up, steps go
// unanswered. Records every request.
class ScriptedEmulationDevice : public SimulatedDevice
{
public:
    struct Reply
    {
        uint8_t state;
        float altitude, velocity, acceleration;
        std::array<uint8_t, 4> lines;
        float w, x, y, z;
    };

    std::deque<Reply> script;
    std::vector<Report> requests;
    std::function<void()> afterStep; // runs inside each answered step

    bool acceptsOpen() const override { return true; }

    bool receive(const Report &report) override
    {
        requests.push_back(report);
        switch (report[1]) {
        case 255:
            queue({1});
            break;
        case 25:
            queue({5});
            break;
        case 32:
            if (!script.empty()) {
                queue(encode(script.front()));
                script.pop_front();
                if (afterStep)
                    afterStep();
            }
            break;
        default:
            break;
        }
        return true;
    }

    bool nextReport(Report &report) override
    {
        if (m_outgoing.empty())
            return false;
        report = m_outgoing.front();
        m_outgoing.pop_front();
        return true;
    }

    void dropQueuedInput() override { m_outgoing.clear(); }

    // The step requests received, as their 21 data bytes.
    std::vector<std::vector<uint8_t>> stepRequests() const
    {
        std::vector<std::vector<uint8_t>> steps;
        for (const Report &r : requests) {
            if (r[1] == 32)
                steps.emplace_back(r.begin() + 2, r.begin() + 23);
        }
        return steps;
    }

private:
    static std::vector<uint8_t> encode(const Reply &reply)
    {
        std::vector<uint8_t> bytes{5, reply.state};
        const auto appendFloat = [&bytes](float value) {
            uint32_t bits;
            std::memcpy(&bits, &value, sizeof bits);
            for (int shift = 0; shift < 32; shift += 8)
                bytes.push_back(uint8_t(bits >> shift));
        };
        appendFloat(reply.altitude);
        appendFloat(reply.velocity);
        appendFloat(reply.acceleration);
        bytes.insert(bytes.end(), reply.lines.begin(), reply.lines.end());
        for (float component : {reply.w, reply.x, reply.y, reply.z})
            appendFloat(component);
        return bytes;
    }

    void queue(const std::vector<uint8_t> &codeAndData)
    {
        Report report{};
        std::memcpy(report.data() + 1, codeAndData.data(), std::min(codeAndData.size(), report.size() - 1));
        m_outgoing.push_back(report);
    }

    std::deque<Report> m_outgoing;
};
