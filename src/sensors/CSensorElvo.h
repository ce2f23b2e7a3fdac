#pragma once
// The Elvo head, reached over a serial text link through the FPGA: the
// link is up once the FPGA's link register reads back 4, the head then
// learns who talks to it from an identification text, and text travels one
// character per access of the head's register 0.

#include <cstddef>
#include <cstdint>

#include "sensors/CImxSensor.h"

namespace tavix {

class CSensorElvo final : public CImxSensor {
public:
    // The identification: model name, CR, LF and a zero byte, 20 bytes.
    static constexpr char kIdentification[20] = "ELVO-1280x1024-SW\r\n";
    static constexpr uint32_t kHandshakes = 10;
    static constexpr uint32_t kCharacterPauseMs = 10;
    // Longest text sent in one call; the head has no use for more.
    static constexpr size_t kMaxSendText = 1024;

    CSensorElvo(CControllerBase* transport, uint8_t busAddress);
    // Answers when the link is already up.
    int ProbeSensor() override;
    int EstablishSerialLink() override;
    // Up to size - 1 characters, ended by CR, LF or zero, always terminated.
    int ReceiveText(char* buffer, uint32_t size) override;
    int SendText(const char* text) override;

private:
    int SendBytes(const char* bytes, size_t count);
};

} // namespace tavix
