#include "link/qt_links.h"

#include <poll.h>
#include <unistd.h>
#include <QTimer>

#include <cerrno>
#include <chrono>

namespace targetlink {

QtLinkBase::QtLinkBase(QIODevice* device) : device_(device) {}

void QtLinkBase::WatchDevice() {
    connect(device_, &QIODevice::readyRead, this, [this] {
        if (!waiting_ && up_ && idleData_) idleData_();
    });
}

void QtLinkBase::SetListener(std::function<void()> idleData, std::function<void()> lost) {
    idleData_ = std::move(idleData);
    lost_ = std::move(lost);
}

void QtLinkBase::MarkLost() {
    if (!up_) return;
    up_ = false;
    // Closing at once would pull the device out from under the signal or blocking
    // wait that reported the loss; a closed device stops its notifier, so no
    // busy loop on a vanished serial device either way.
    QTimer::singleShot(0, this, [this] {
        Close();
        if (lost_) lost_();
    });
}

bool QtLinkBase::Send(const std::string& bytes) {
    if (!up_) return false;
    const qint64 n = device_->write(bytes.data(), static_cast<qint64>(bytes.size()));
    if (n != static_cast<qint64>(bytes.size())) {
        MarkLost();
        return false;
    }
    while (device_->bytesToWrite() > 0) {
        if (!device_->waitForBytesWritten(5000) || DeviceBroken()) {
            MarkLost();
            return false;
        }
    }
    return true;
}

WaitResult QtLinkBase::Receive(std::string& out, int timeoutMs) {
    if (!up_) return WaitResult::Lost;
    if (device_->bytesAvailable() == 0) {
        waiting_ = true;
        const bool ready = WaitForBytes(timeoutMs);
        waiting_ = false;
        if (!ready && device_->bytesAvailable() == 0) {
            if (!up_ || DeviceBroken()) {
                MarkLost();
                return WaitResult::Lost;
            }
            return WaitResult::Timeout;
        }
    }
    const QByteArray bytes = device_->readAll();
    out.append(bytes.constData(), static_cast<size_t>(bytes.size()));
    return WaitResult::Data;
}

bool QtLinkBase::WaitForBytes(int timeoutMs) { return device_->waitForReadyRead(timeoutMs); }

SerialLink::SerialLink(std::string device, int baud) : QtLinkBase(&port_), deviceName_(std::move(device)), baud_(baud) {
    WatchDevice();
    connect(&port_, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError e) {
        if (e == QSerialPort::ResourceError || e == QSerialPort::PermissionError || e == QSerialPort::ReadError)
            MarkLost();
    });
}

SerialLink::~SerialLink() { port_.close(); }

std::string SerialLink::Describe() const { return "serial " + deviceName_ + " @" + std::to_string(baud_); }

bool SerialLink::Open(std::string& error) {
    port_.setPortName(QString::fromLocal8Bit(deviceName_.c_str()));
    port_.setBaudRate(baud_);
    port_.setDataBits(QSerialPort::Data8);
    port_.setParity(QSerialPort::NoParity);
    port_.setStopBits(QSerialPort::OneStop);
    port_.setFlowControl(QSerialPort::NoFlowControl);
    if (!port_.open(QIODevice::ReadWrite)) {
        // The port refuses a second user through its lock, with the same error as missing rights: a device
        // this process may read and write is held by another program.
        if (port_.error() == QSerialPort::PermissionError && ::access(deviceName_.c_str(), R_OK | W_OK) == 0)
            error = "Cannot open " + deviceName_ + ": the port is busy: another program has it open.";
        else
            error = "Cannot open " + deviceName_ + ": " + port_.errorString().toStdString();
        return false;
    }
    port_.clear();
    up_ = true;
    return true;
}

void SerialLink::Close() {
    up_ = false;
    if (port_.isOpen()) port_.close();
}

int SerialLink::Handle() const { return port_.isOpen() ? static_cast<int>(port_.handle()) : -1; }

bool SerialLink::DeviceBroken() const {
    // A read that fails on a serial port means the device went away (a pseudo
    // terminal whose other side closed reports it so).
    return !port_.isOpen() || port_.error() == QSerialPort::ResourceError ||
           port_.error() == QSerialPort::PermissionError || port_.error() == QSerialPort::ReadError;
}

bool SerialLink::WaitForBytes(int timeoutMs) {
    // QSerialPort's own wait does not see a hang-up: it would poll the dead
    // device over and over until the time-out. Waiting here on the descriptor
    // ends at once on a hang-up and lets the port read what is there.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd p{static_cast<int>(port_.handle()), POLLIN, 0};
        const int r = ::poll(&p, 1, static_cast<int>(std::max<long long>(left.count(), 0)));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) return false;
        if (p.revents & POLLIN) {
            if (port_.waitForReadyRead(0) || port_.bytesAvailable() > 0) return true;
            if (DeviceBroken()) return false;
        }
        if (p.revents & (POLLHUP | POLLERR | POLLNVAL)) {
            MarkLost();
            return false;
        }
        if (left.count() <= 0) return false;
    }
}

TcpLink::TcpLink(std::string host, int port, int connectTimeoutMs)
    : QtLinkBase(&socket_), host_(std::move(host)), port_(port), connectTimeoutMs_(connectTimeoutMs) {
    WatchDevice();
    connect(&socket_, &QTcpSocket::disconnected, this, [this] { MarkLost(); });
}

TcpLink::~TcpLink() { socket_.abort(); }

std::string TcpLink::Describe() const { return "tcp " + host_ + ":" + std::to_string(port_); }

bool TcpLink::Open(std::string& error) {
    socket_.connectToHost(QString::fromStdString(host_), static_cast<quint16>(port_));
    if (!socket_.waitForConnected(connectTimeoutMs_)) {
        error = "Cannot connect to " + host_ + ":" + std::to_string(port_) + ": " + socket_.errorString().toStdString();
        socket_.abort();
        return false;
    }
    socket_.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    up_ = true;
    return true;
}

void TcpLink::Close() {
    up_ = false;
    socket_.abort();
}

int TcpLink::Handle() const { return static_cast<int>(socket_.socketDescriptor()); }

bool TcpLink::DeviceBroken() const { return socket_.state() != QAbstractSocket::ConnectedState; }

}  // namespace targetlink
