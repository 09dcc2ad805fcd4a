#pragma once
// Serial port and TCP links over Qt's blocking waits. Between commands their
// signals report bytes (unsolicited lines) and the loss of the link.

#include <QObject>
#include <QSerialPort>
#include <QTcpSocket>
#include <functional>

#include "link/byte_link.h"

namespace targetlink {

// Shared reading of a QIODevice link: blocking waits during a command, signals otherwise.
class QtLinkBase : public QObject, public ByteLink {
    Q_OBJECT
public:
    bool IsUp() const override { return up_; }
    bool Send(const std::string& bytes) override;
    WaitResult Receive(std::string& out, int timeoutMs) override;
    void SetListener(std::function<void()> idleData, std::function<void()> lost) override;

protected:
    // `device` is a member of the derived class: it is watched (WatchDevice) once constructed.
    explicit QtLinkBase(QIODevice* device);
    void WatchDevice();
    // The link broke; closes the device outside the signal that reported it.
    void MarkLost();
    virtual bool DeviceBroken() const = 0;
    // Blocks until bytes can be read; false on time-out or loss.
    virtual bool WaitForBytes(int timeoutMs);

    QIODevice* device_;
    bool up_ = false;
    bool waiting_ = false;  // inside Receive: bytes are read there, not by the signal

private:
    std::function<void()> idleData_;
    std::function<void()> lost_;
};

class SerialLink : public QtLinkBase {
    Q_OBJECT
public:
    SerialLink(std::string device, int baud);
    ~SerialLink() override;
    std::string Describe() const override;
    bool Open(std::string& error) override;
    void Close() override;
    int Handle() const override;

private:
    bool DeviceBroken() const override;
    bool WaitForBytes(int timeoutMs) override;
    std::string deviceName_;
    int baud_;
    QSerialPort port_;
};

class TcpLink : public QtLinkBase {
    Q_OBJECT
public:
    TcpLink(std::string host, int port, int connectTimeoutMs = 5000);
    ~TcpLink() override;
    std::string Describe() const override;
    bool Open(std::string& error) override;
    void Close() override;
    int Handle() const override;

private:
    bool DeviceBroken() const override;
    std::string host_;
    int port_;
    int connectTimeoutMs_;
    QTcpSocket socket_;
};

}  // namespace targetlink
