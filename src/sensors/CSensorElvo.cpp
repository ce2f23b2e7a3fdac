#include "sensors/CSensorElvo.h"

#include <cstring>

#include "platform/Clock.h"
#include "sensors/CatalogueRegisters.h"
#include "transport/CControllerBase.h"

namespace tavix {

CSensorElvo::CSensorElvo(CControllerBase* transport, uint8_t busAddress)
    : CImxSensor(transport, busAddress, SensorModel::kElvo)
{
}

int CSensorElvo::ProbeSensor()
{
    uint8_t link = 0;
    return transport_ != nullptr && transport_->ReadFpgaRegister(catalogue::kFpgaLink, &link) != 0 &&
                   link == catalogue::kLinkReady
               ? 1
               : 0;
}

int CSensorElvo::EstablishSerialLink()
{
    if (transport_ == nullptr) {
        return 0;
    }
    for (uint32_t attempt = 0; attempt < kHandshakes; ++attempt) {
        transport_->WriteFpgaRegister(catalogue::kFpgaLink, catalogue::kLinkReady);
        platform::Sleep(kCharacterPauseMs);
        uint8_t link = 0;
        if (transport_->ReadFpgaRegister(catalogue::kFpgaLink, &link) != 0 && link == catalogue::kLinkReady) {
            return SendBytes(kIdentification, sizeof kIdentification);
        }
    }
    return 0;
}

int CSensorElvo::SendBytes(const char* bytes, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        if (i > 0) {
            platform::Sleep(kCharacterPauseMs);
        }
        if (WriteRegister(catalogue::kTextRegister, static_cast<uint8_t>(bytes[i])) == 0) {
            return 0;
        }
    }
    return 1;
}

int CSensorElvo::SendText(const char* text)
{
    if (text == nullptr) {
        return 0;
    }
    const size_t length = strnlen(text, kMaxSendText + 1);
    return length <= kMaxSendText ? SendBytes(text, length) : 0;
}

int CSensorElvo::ReceiveText(char* buffer, uint32_t size)
{
    if (buffer == nullptr || size == 0) {
        return 0;
    }
    uint32_t count = 0;
    int received = 1;
    while (count + 1 < size) {
        if (count > 0) {
            platform::Sleep(kCharacterPauseMs);
        }
        uint32_t character = 0;
        if (ReadRegister(catalogue::kTextRegister, &character) == 0) {
            received = 0;
            break;
        }
        if (character == '\r' || character == '\n' || character == 0) {
            break;
        }
        buffer[count++] = static_cast<char>(character);
    }
    buffer[count] = '\0';
    return received;
}

} // namespace tavix
