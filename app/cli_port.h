#pragma once

#include "cli.h"
#include "printer/printer_link.h"
#include "printer/qt_serial_line.h"

namespace brela::cli {

// The serial port and the link for one command of brela-cli.
struct Printer {
    explicit Printer(Session& session);

    QtSerialLine line;
    PrinterLink link;
};

// Opens the printer's port: --port N that port, --port DEVICE that device,
// else the stored port. False after telling the operator why not.
bool connect(Context& context, Printer& printer);

} // namespace brela::cli
