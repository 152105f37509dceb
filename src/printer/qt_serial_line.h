#pragma once

#include "printer/serial_line.h"

#include <QSerialPort>

namespace brela {

// The device behind port n: the environment variable BRELA_COMn, else the
// per-user setting Ports/COMn, else the platform's n-th serial port.
QString deviceForPort(int number);

// The real serial port. Hang-ups close the port at the first read, write or
// resource error instead of letting Qt report the same error forever.
class QtSerialLine : public SerialLine {
public:
    QtSerialLine();
    ~QtSerialLine() override;

    OpenResult open(const PortRequest& request) override;
    void close() override;
    bool isOpen() const override;
    QString name() const override { return name_; }

    qint64 bytesWaiting() override;
    QByteArray read(qint64 max) override;
    bool write(const QByteArray& bytes) override;
    bool waitForInput(int ms) override;
    void discardInput() override;

    // True once the line was closed because the far end went away.
    bool lost() const override { return lost_; }

private:
    void onError(QSerialPort::SerialPortError error);
    bool closeIfBroken();

    QSerialPort port_;
    QString name_;
    bool broken_ = false;
    bool lost_ = false;
};

} // namespace brela
