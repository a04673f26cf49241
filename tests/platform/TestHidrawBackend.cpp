#include "HidrawBackend.h"

#include <QTemporaryDir>
#include <QtTest>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Hands out one end of a message-preserving socket pair for every node opened, as hidraw
// hands out one report per read.
class SocketHidraw : public HidrawBackend
{
public:
    using HidrawBackend::HidrawBackend;
    ~SocketHidraw() override
    {
        for (int end : deviceEnds)
            ::close(end);
    }

    std::vector<std::string> openedNodes;
    std::vector<int> deviceEnds;

protected:
    int openDeviceNode(const std::string &nodePath) override
    {
        openedNodes.push_back(nodePath);
        int ends[2];
        if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, ends) != 0)
            return -1;
        deviceEnds.push_back(ends[1]);
        return ends[0];
    }
};

void writeFile(const fs::path &file, const std::string &text)
{
    fs::create_directories(file.parent_path());
    std::ofstream(file) << text;
}

std::vector<uint8_t> report(uint8_t code, uint8_t fill)
{
    std::vector<uint8_t> bytes(65, fill);
    bytes[0] = 0;
    bytes[1] = code;
    return bytes;
}

qint64 elapsedMs(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - since).count();
}

} // namespace

class TestHidrawBackend : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir_;
    fs::path sys_;

    // A HID interface the way the kernel lays it out: the class entry links to the hidraw
    // device below the HID device, whose uevent names the ids; a USB device further up
    // carries bcdDevice. Returns the interface's canonical path.
    fs::path addInterface(const std::string &node, const fs::path &parent, const std::string &hidName,
                          const std::string &hidId)
    {
        const fs::path hidDevice = sys_ / "devices" / parent / hidName;
        writeFile(hidDevice / "uevent", "DRIVER=hid-generic\nHID_ID=" + hidId + "\nHID_NAME=test\n");
        const fs::path interface = hidDevice / "hidraw" / node;
        writeFile(interface / "uevent", "MAJOR=241\nMINOR=0\nDEVNAME=" + node + "\n");
        fs::create_directory_symlink("../../../" + hidName, interface / "device");
        fs::create_directories(sys_ / "class" / "hidraw");
        fs::create_directory_symlink(fs::relative(interface, sys_ / "class" / "hidraw"), sys_ / "class" / "hidraw" / node);
        return fs::canonical(interface);
    }

    std::string flightComputerPath_;
    std::string keyboardPath_;

    void openFlightComputer(SocketHidraw &backend, int &handle, int &device)
    {
        handle = backend.open(flightComputerPath_);
        QVERIFY(handle >= 0);
        device = backend.deviceEnds.back();
    }

private slots:
    void initTestCase()
    {
        std::signal(SIGPIPE, SIG_IGN); // a gone socket peer must fail a write, not end the test
        QVERIFY(dir_.isValid());
        sys_ = fs::canonical(dir_.path().toStdString()) / "sys";
        const fs::path usbDevice = fs::path("pci0000:00") / "usb1" / "1-2";
        writeFile(sys_ / "devices" / usbDevice / "bcdDevice", "0213\n");
        writeFile(sys_ / "devices" / usbDevice / "idVendor", "03db\n");
        flightComputerPath_ = addInterface("hidraw3", usbDevice / "1-2:1.0", "0003:03DB:0004.0007", "0003:000003DB:00000004");
        keyboardPath_ = addInterface("hidraw0", fs::path("virtual") / "uhid", "0005:046D:B342.0001", "0005:0000046D:0000B342");
        addInterface("hidraw1", fs::path("virtual") / "uhid", "0003:0000:0000.0002", "garbage");
        fs::create_directory_symlink("../../devices/gone/hidraw/hidraw9", sys_ / "class" / "hidraw" / "hidraw9");
    }

    void enumeratesIdsVersionAndSysfsPath()
    {
        SocketHidraw backend(sys_.string(), "/fake-dev");
        const auto found = backend.interfaces();
        QCOMPARE(found.size(), size_t(2)); // the unreadable and the dangling entries are left out
        QCOMPARE(found[0].path, flightComputerPath_);
        QCOMPARE(found[0].vendorId, uint16_t(0x03DB));
        QCOMPARE(found[0].productId, uint16_t(4));
        QCOMPARE(found[0].versionNumber, uint16_t(0x0213));
        QCOMPARE(found[1].path, keyboardPath_);
        QCOMPARE(found[1].vendorId, uint16_t(0x046D));
        QCOMPARE(found[1].productId, uint16_t(0xB342));
        QCOMPARE(found[1].versionNumber, uint16_t(0)); // no USB device above it

        QVERIFY(SocketHidraw((sys_ / "nothing").string(), "/fake-dev").interfaces().empty());
    }

    void opensTheNodeTheInterfaceNames()
    {
        SocketHidraw backend(sys_.string(), "/fake-dev");
        const int handle = backend.open(flightComputerPath_);
        QVERIFY(handle >= 0);
        QCOMPARE(backend.openedNodes, std::vector<std::string>{"/fake-dev/hidraw3"});

        QCOMPARE(backend.open(""), -1);
        QCOMPARE(backend.open((sys_ / "devices" / "gone" / "hidraw" / "hidraw9").string()), -1);
        const fs::path hostile = sys_ / "devices" / "hostile";
        writeFile(hostile / "uevent", "DEVNAME=../etc/passwd\n");
        QCOMPARE(backend.open(hostile.string()), -1);
        QCOMPARE(backend.openedNodes.size(), size_t(1));
    }

    void framesReportsBothWays()
    {
        SocketHidraw backend(sys_.string(), "/fake-dev");
        int handle = -1, device = -1;
        openFlightComputer(backend, handle, device);

        // Out: the id byte and all 64 bytes, as the kernel takes them.
        const auto out = report(0x10, 0xA5);
        QVERIFY(backend.write(handle, out.data(), 100));
        uint8_t received[100];
        QCOMPARE(::recv(device, received, sizeof received, 0), ssize_t(65));
        QVERIFY(std::equal(out.begin(), out.end(), received));

        // In: 64 bytes without an id come back behind a 0 id.
        std::vector<uint8_t> in(64);
        for (size_t i = 0; i < in.size(); ++i)
            in[i] = uint8_t(i + 1);
        QCOMPARE(::send(device, in.data(), in.size(), 0), ssize_t(64));
        uint8_t back[65];
        std::fill(std::begin(back), std::end(back), 0xEE);
        QVERIFY(backend.read(handle, back, 100));
        QCOMPARE(back[0], uint8_t(0));
        QVERIFY(std::equal(in.begin(), in.end(), back + 1));

        // A short report is padded with zeros, not with what the buffer held before.
        const uint8_t shortReport[3] = {0x07, 0x08, 0x09};
        ::send(device, shortReport, sizeof shortReport, 0);
        std::fill(std::begin(back), std::end(back), 0xEE);
        QVERIFY(backend.read(handle, back, 100));
        QCOMPARE(back[1], uint8_t(0x07));
        QCOMPARE(back[3], uint8_t(0x09));
        QVERIFY(std::all_of(back + 4, back + 65, [](uint8_t b) { return b == 0; }));
    }

    void readWaitsUpToTheTimeOut()
    {
        SocketHidraw backend(sys_.string(), "/fake-dev");
        int handle = -1, device = -1;
        openFlightComputer(backend, handle, device);
        uint8_t back[65];

        auto start = std::chrono::steady_clock::now();
        QVERIFY(!backend.read(handle, back, 60));
        QVERIFY(elapsedMs(start) >= 60);
        QVERIFY(elapsedMs(start) < 1000);

        std::thread lateDevice([device] {
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
            const uint8_t reply[64] = {0x01};
            ::send(device, reply, sizeof reply, 0);
        });
        start = std::chrono::steady_clock::now();
        const bool arrived = backend.read(handle, back, 5000);
        lateDevice.join();
        QVERIFY(arrived);
        QCOMPARE(back[1], uint8_t(0x01));
        QVERIFY(elapsedMs(start) < 2000);
    }

    void writeFailsWhenTheDeviceTakesNothingInTime()
    {
        SocketHidraw backend(sys_.string(), "/fake-dev");
        int handle = -1, device = -1;
        openFlightComputer(backend, handle, device);
        const auto out = report(0x20, 0);
        int sent = 0;
        while (sent < 100000 && backend.write(handle, out.data(), 0))
            ++sent;
        QVERIFY(sent < 100000);
        const auto start = std::chrono::steady_clock::now();
        QVERIFY(!backend.write(handle, out.data(), 50));
        QVERIFY(elapsedMs(start) >= 50);
    }

    void dropsQueuedInputOnly()
    {
        SocketHidraw backend(sys_.string(), "/fake-dev");
        int handle = -1, device = -1;
        openFlightComputer(backend, handle, device);
        const uint8_t stale[64] = {0x33};
        for (int i = 0; i < 5; ++i)
            ::send(device, stale, sizeof stale, 0);
        backend.dropQueuedInput(handle);
        uint8_t back[65];
        QVERIFY(!backend.read(handle, back, 0));

        const uint8_t fresh[64] = {0x44};
        ::send(device, fresh, sizeof fresh, 0);
        QVERIFY(backend.read(handle, back, 100));
        QCOMPARE(back[1], uint8_t(0x44));
    }

    void failsAtOnceWhenTheDeviceIsGone()
    {
        SocketHidraw backend(sys_.string(), "/fake-dev");
        int handle = -1, device = -1;
        openFlightComputer(backend, handle, device);
        ::shutdown(device, SHUT_RDWR);
        uint8_t back[65];
        const auto start = std::chrono::steady_clock::now();
        QVERIFY(!backend.read(handle, back, 5000));
        QVERIFY(!backend.write(handle, report(0x10, 0).data(), 5000));
        QVERIFY(elapsedMs(start) < 1000);
        backend.dropQueuedInput(handle); // returns rather than spinning
    }

    void refusesHandlesItDidNotOpen()
    {
        SocketHidraw backend(sys_.string(), "/fake-dev");
        int handle = -1, device = -1;
        openFlightComputer(backend, handle, device);
        backend.close(handle);
        uint8_t back[65];
        QVERIFY(!backend.read(handle, back, 0));
        QVERIFY(!backend.write(handle, report(0x10, 0).data(), 0));

        // Closing a descriptor the backend never handed out leaves it alone.
        int ends[2];
        QCOMPARE(::socketpair(AF_UNIX, SOCK_SEQPACKET, 0, ends), 0);
        backend.close(ends[0]);
        QCOMPARE(::send(ends[0], "x", 1, 0), ssize_t(1));
        ::close(ends[0]);
        ::close(ends[1]);
    }

    void isTheDefaultBackend()
    {
        if (qEnvironmentVariableIsSet("NUV_HID_BACKEND"))
            QSKIP("another backend is chosen by the environment");
        QVERIFY(dynamic_cast<HidrawBackend *>(&HidBackend::current()));
    }
};

QTEST_GUILESS_MAIN(TestHidrawBackend)
#include "TestHidrawBackend.moc"
