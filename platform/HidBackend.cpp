#include "HidBackend.h"

#include "HidrawBackend.h"

#include <cstdlib>
#include <map>
#include <mutex>

namespace {

// Finds nothing and opens nothing: what a process gets when its named backend is unknown.
class AbsentBackend : public HidBackend
{
public:
    std::vector<HidInterfaceInfo> interfaces() override { return {}; }
    int open(const std::string &) override { return -1; }
    void close(int) override {}
    bool write(int, const uint8_t[65], uint32_t) override { return false; }
    bool read(int, uint8_t[65], uint32_t) override { return false; }
    void dropQueuedInput(int) override {}
};

HidBackend &hidrawBackend()
{
    static HidrawBackend instance;
    return instance;
}

// The built-in backend is registered here rather than by a static initialiser of its own,
// which the linker would drop from the static library.
struct Registry
{
    Registry() { factories["hidraw"] = &hidrawBackend; }

    std::mutex mutex;
    std::map<std::string, HidBackend::Factory> factories;
    HidBackend *chosen = nullptr;
    HidBackend *installed = nullptr;
};

Registry &registry()
{
    static Registry instance;
    return instance;
}

} // namespace

HidBackend &HidBackend::current()
{
    Registry &r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    if (r.installed)
        return *r.installed;
    if (!r.chosen) {
        const char *name = std::getenv("NUV_HID_BACKEND");
        const auto found = r.factories.find(name && *name ? name : "hidraw");
        static AbsentBackend absent;
        r.chosen = found != r.factories.end() ? &found->second() : &absent;
    }
    return *r.chosen;
}

void HidBackend::setCurrent(HidBackend *backend)
{
    Registry &r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    r.installed = backend;
}

void HidBackend::registerBackend(const std::string &name, Factory factory)
{
    Registry &r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    r.factories[name] = factory;
}
