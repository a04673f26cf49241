#include "HidrawBackend.h"

#include <QTemporaryDir>
#include <QtTest>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <numeric>
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

std::vector<uint8_t> report(uint8_t code, uint8_t fill = 0)
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

// Every case starts with the flight computer's interface opened on a fresh backend.
class TestHidrawBackend : public QObject
{
    Q_OBJECT

    QTemporaryDir dir_;
    fs::path sys_;
    std::string flightComputerPath_;
    std::string keyboardPath_;
    std::unique_ptr<SocketHidraw> backend_;
    int handle_ = -1;
    int device_ = -1;   // the device's end of the connection
    uint8_t back_[65];

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

    void send(const void *bytes, size_t size) { QCOMPARE(::send(device_, bytes, size, 0), ssize_t(size)); }

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

    void init()
    {
        backend_ = std::make_unique<SocketHidraw>(sys_.string(), "/fake-dev");
        handle_ = backend_->open(flightComputerPath_);
        QVERIFY(handle_ >= 0);
        device_ = backend_->deviceEnds.back();
    }

    void cleanup() { backend_.reset(); }

    void enumeratesAndOpensOnlyWhatTheTreeNames()
    {
        QStringList found; // the unreadable and the dangling entries are left out
        for (const HidInterfaceInfo &i : backend_->interfaces())
            found << QString::asprintf("%s %04x:%04x v%04x", i.path.c_str(), i.vendorId, i.productId, i.versionNumber);
        QCOMPARE(found, QStringList({QString::fromStdString(flightComputerPath_) + " 03db:0004 v0213",
                                     QString::fromStdString(keyboardPath_) + " 046d:b342 v0000"})); // no USB above
        QVERIFY(SocketHidraw((sys_ / "nothing").string(), "/fake-dev").interfaces().empty());

        const fs::path hostile = sys_ / "devices" / "hostile";
        writeFile(hostile / "uevent", "DEVNAME=../etc/passwd\n");
        for (const fs::path &refused : {fs::path(), sys_ / "devices" / "gone" / "hidraw" / "hidraw9", hostile})
            QCOMPARE(backend_->open(refused.string()), -1);
        QCOMPARE(backend_->openedNodes, std::vector<std::string>{"/fake-dev/hidraw3"});
    }

    void framesReportsBothWays()
    {
        // Out: the id byte and all 64 bytes, as the kernel takes them.
        const auto out = report(0x10, 0xA5);
        QVERIFY(backend_->write(handle_, out.data(), 100));
        uint8_t received[100];
        QCOMPARE(::recv(device_, received, sizeof received, 0), ssize_t(65));
        QVERIFY(std::equal(out.begin(), out.end(), received));

        // In: 64 bytes without an id come back behind a 0 id; a short report is padded with
        // zeros, not with what the buffer held before.
        uint8_t in[64] = {};
        std::iota(std::begin(in), std::end(in), uint8_t(1));
        for (size_t size : {sizeof in, size_t(3)}) {
            send(in, size);
            std::fill(std::begin(back_), std::end(back_), 0xEE);
            QVERIFY(backend_->read(handle_, back_, 100));
            QCOMPARE(back_[0], uint8_t(0));
            QVERIFY(std::equal(in, in + size, back_ + 1));
            QVERIFY(std::all_of(back_ + 1 + size, back_ + 65, [](uint8_t b) { return b == 0; }));
        }

        // Dropping queued input leaves later reports alone.
        const uint8_t stale[64] = {0x33};
        for (int i = 0; i < 5; ++i)
            send(stale, sizeof stale);
        backend_->dropQueuedInput(handle_);
        QVERIFY(!backend_->read(handle_, back_, 0));
        const uint8_t fresh[64] = {0x44};
        send(fresh, sizeof fresh);
        QVERIFY(backend_->read(handle_, back_, 100) && back_[1] == 0x44);
    }

    void readAndWriteWaitUpToTheTimeOut()
    {
        auto start = std::chrono::steady_clock::now();
        QVERIFY(!backend_->read(handle_, back_, 60));
        QVERIFY(elapsedMs(start) >= 60 && elapsedMs(start) < 1000);

        std::thread lateDevice([this] {
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
            const uint8_t reply[64] = {0x01};
            ::send(device_, reply, sizeof reply, 0);
        });
        start = std::chrono::steady_clock::now();
        const bool arrived = backend_->read(handle_, back_, 5000);
        lateDevice.join();
        QVERIFY(arrived && back_[1] == 0x01);
        QVERIFY(elapsedMs(start) < 2000);

        // A device that takes nothing more fails the write once the time is up.
        const auto out = report(0x20);
        int sent = 0;
        while (sent < 100000 && backend_->write(handle_, out.data(), 0))
            ++sent;
        QVERIFY(sent < 100000);
        start = std::chrono::steady_clock::now();
        QVERIFY(!backend_->write(handle_, out.data(), 50));
        QVERIFY(elapsedMs(start) >= 50);
    }

    void failsAtOnceOnAGoneDeviceOrAClosedHandle()
    {
        backend_->close(device_); // never handed out: left alone, so the device still answers
        const uint8_t reply[64] = {0x55};
        send(reply, sizeof reply);
        QVERIFY(backend_->read(handle_, back_, 100));

        ::shutdown(device_, SHUT_RDWR);
        const auto start = std::chrono::steady_clock::now();
        QVERIFY(!backend_->read(handle_, back_, 5000));
        QVERIFY(!backend_->write(handle_, report(0x10).data(), 5000));
        QVERIFY(elapsedMs(start) < 1000);
        backend_->dropQueuedInput(handle_); // returns rather than spinning

        backend_->close(handle_);
        QVERIFY(!backend_->read(handle_, back_, 0));
        QVERIFY(!backend_->write(handle_, report(0x10).data(), 0));
    }
};

QTEST_GUILESS_MAIN(TestHidrawBackend)
#include "TestHidrawBackend.moc"
