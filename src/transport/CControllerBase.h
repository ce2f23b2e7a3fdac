#pragma once
// The controller interface of the transport: vendor requests for register,
// I2C and EEPROM access, device selection and stream abort. Sensor drivers
// hold a pointer to this interface and reach the hardware through nothing
// else. Every operation yields 1 for success and 0 for failure and leaves
// its output untouched on failure; these defaults do nothing and yield 0.

#include <cstdint>

namespace tavix {

class CControllerBase {
public:
    virtual ~CControllerBase() = default;
    virtual int NotSupported() { return 0; }
    virtual int Close() { return 0; }
    virtual int SelectDevice(int32_t /*position*/) { return 0; }
    virtual int ReadFpgaWord(uint16_t* /*value*/) { return 0; }
    virtual int ReadGpio25Flag(uint8_t* /*flag*/) { return 0; }
    virtual int SendEndpointRequestCC() { return 0; }
    virtual int I2cWrite(uint8_t /*address*/, const uint8_t* /*data*/, uint8_t /*count*/) { return 0; }
    virtual int I2cRead(uint8_t /*address*/, uint8_t* /*data*/, uint8_t /*count*/) { return 0; }
    virtual int WriteRegister32(uint16_t /*address*/, uint32_t /*value*/) { return 0; }
    virtual int ReadRegister16(uint16_t /*address*/, uint32_t* /*value*/) { return 0; }
    virtual int WriteSensorWord(uint16_t /*address*/, uint16_t /*value*/) { return 0; }
    virtual int ReadSensorWord(uint16_t /*address*/, uint32_t* /*value*/) { return 0; }
    virtual int WriteFpgaRegister(uint8_t /*reg*/, uint8_t /*value*/) { return 0; }
    virtual int ReadFpgaRegister(uint8_t /*reg*/, uint8_t* /*value*/) { return 0; }
    virtual int WriteAuxRegister(uint8_t /*reg*/, uint8_t /*value*/) { return 0; }
    virtual int ReadAuxRegister(uint8_t /*reg*/, uint8_t* /*value*/) { return 0; }
    virtual int WriteSromByte(uint16_t /*address*/, uint8_t /*value*/) { return 0; }
    virtual int ReadSromByte(uint16_t /*address*/, uint8_t* /*value*/) { return 0; }
    virtual int AbortStream() { return 0; }
};

} // namespace tavix
