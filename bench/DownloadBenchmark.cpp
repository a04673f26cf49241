// Downloads a full 16 MiB flight memory from the simulated flight computer through
// NUVQORADevice::downloadData and reports the rate and the CPU time per report.
// The simulator runs in the same process, so the CPU figure includes the device model's
// work and is an upper bound for the host's own share.

#include "NUVQORADevice.h"
#include "SimulatedFlightComputer.h"
#include "SimulatedHidBackend.h"

#include <chrono>
#include <cstdio>
#include <ctime>

int main()
{
    constexpr uint32_t MemorySize = 16u << 20;
    constexpr int ReportPayload = 60;

    SimulatedHidBackend backend;
    backend.setNoticeListener(nullptr);
    backend.setRecording(false);
    HidBackend::setCurrent(&backend);
    SimulatedFlightComputer computer(backend);
    std::vector<uint8_t> memory(MemorySize);
    for (uint32_t i = 0; i < MemorySize; ++i)
        memory[i] = static_cast<uint8_t>(i * 31);
    computer.setMemoryImage(memory);
    computer.plugFirmware();

    NUVQORADevice device;
    uint16_t version = 0;
    const int connected = device.connectFirmware(version);
    if (connected != 0) {
        std::fprintf(stderr, "cannot connect to the simulated flight computer: %d\n", connected);
        return 1;
    }

    std::vector<uint8_t> buffer;
    buffer.reserve(MemorySize);
    long progressCalls = 0;
    const auto wallStart = std::chrono::steady_clock::now();
    const std::clock_t cpuStart = std::clock();
    const int result = device.downloadData(buffer, MemorySize, [&](int, int) {
        ++progressCalls;
        return false;
    });
    const std::clock_t cpuEnd = std::clock();
    const auto wallEnd = std::chrono::steady_clock::now();
    HidBackend::setCurrent(nullptr);

    if (result != 0 || buffer != memory) {
        std::fprintf(stderr, "download failed: result %d, %zu bytes\n", result, buffer.size());
        return 1;
    }
    const double wallSeconds = std::chrono::duration<double>(wallEnd - wallStart).count();
    const double cpuSeconds = double(cpuEnd - cpuStart) / CLOCKS_PER_SEC;
    const long reports = (MemorySize + ReportPayload - 1) / ReportPayload;
    std::printf("downloaded %u bytes in %ld reports (%ld progress calls)\n", MemorySize, reports, progressCalls);
    std::printf("wall time %.3f s, CPU time %.3f s\n", wallSeconds, cpuSeconds);
    std::printf("%.0f reports per second, %.2f us CPU per report\n", reports / wallSeconds,
                cpuSeconds * 1e6 / reports);
    return 0;
}
