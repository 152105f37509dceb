#pragma once

// Every fiscal command code the program sends, in one place: the script
// format, the link's named commands and the read-back all take them from here.
namespace brela::cmd {

constexpr int StatusRequest = 42;  // 0x2A
constexpr int DailyClose = 57;     // 0x39, X report or Z close
constexpr int CancelTicket = 68;   // 0x44
constexpr int QuotationText = 73;  // 0x49
constexpr int CloseNonFiscal = 74; // 0x4A
constexpr int SetForm = 90;        // 0x5A, size, margins, preferences and zones
constexpr int FormQuery = 91;      // 0x5B, form size or a zone's rectangle
constexpr int Transport = 92;      // 0x5C
constexpr int SetHeader = 93;      // 0x5D, one header or trailer line
constexpr int HeaderQuery = 94;    // 0x5E
constexpr int OpenDocument = 96;   // 0x60
constexpr int Item = 98;           // 0x62
constexpr int Payment = 100;       // 0x64, also the cancel of an invoice-type document
constexpr int CloseDocument = 101; // 0x65

} // namespace brela::cmd
