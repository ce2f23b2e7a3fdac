#pragma once
// The interface of every sensor driver. The camera object owns one driver,
// chosen by the product identifier, and reaches the sensor only through
// these operations; the driver reaches the hardware only through the
// transport's CControllerBase.
//
// The operations keep one fixed order (the camera forwards to them one to
// one) and each has the do-nothing default the drivers rely on: 0 for "not
// supported / failed", 1 for the capability queries, -1 where stated, or a
// SensorInfo field. Getters return the supported word and deliver the value
// through the out-parameter, which a failing getter leaves untouched. No
// operation throws.

#include <cstdint>

#include "sensors/SensorInfo.h"

namespace tavix {

class CControllerBase;

class CSensorBase {
public:
    // The mode word a driver starts with.
    static constexpr uint32_t kDefaultModeWord = 15;

    CSensorBase(const CSensorBase&) = delete;
    CSensorBase& operator=(const CSensorBase&) = delete;

    // --- the operations, in declaration order -----------------------------
    virtual ~CSensorBase();
    virtual int SetModelCode(uint32_t code);
    virtual int SetModeWord(uint32_t value);
    virtual uint32_t GetModeWord();
    virtual int ProbeSensor() { return 0; }
    virtual int InitializeSensor() { return 0; }
    virtual int EstablishSerialLink() { return 0; }
    virtual int RecoverAfterOpenTimeout() { return 0; }
    virtual int SetWindow(uint32_t /*x*/, uint32_t /*width*/, uint32_t /*y*/, uint32_t /*height*/,
                          uint32_t /*mode*/) { return 0; }
    virtual int GetWindow(uint32_t* /*x*/, uint32_t* /*width*/, uint32_t* /*y*/, uint32_t* /*height*/,
                          uint32_t* /*mode*/) { return 0; }
    // How the sensor reads an axis of the capture window out: count
    // positions from position start of its read-out order (in pairs 0, 1,
    // 4, 5, ... when skipping), in reverse when flipped. False where the
    // driver does not say.
    struct ReadoutAxis {
        uint32_t start = 0;
        uint32_t count = 0;
        bool flipped = false;
        bool pairs = false;
    };
    virtual bool GetReadout(ReadoutAxis* /*horizontal*/, ReadoutAxis* /*vertical*/) { return false; }
    virtual int SetTriggerMode(int32_t /*mode*/) { return 0; }
    virtual int GetTriggerMode(int32_t* /*mode*/) { return 0; }
    virtual int ModelSet(uint32_t /*value*/) { return 0; }
    virtual int ModelQuery1(uint32_t* /*value*/) { return 0; }
    virtual int ModelQuery2(uint32_t* /*value*/) { return 0; }
    virtual int SetTransferDepth(uint32_t /*sixteenBits*/) { return 0; }
    virtual int SetExposureLines(uint32_t /*lines*/) { return 0; }
    virtual int GetExposureLines(uint32_t* /*lines*/) { return 0; }
    virtual int SetGain(uint32_t /*gain*/) { return 0; }
    virtual int GetGain(uint32_t* /*gain*/) { return 0; }
    virtual int SetChannelValue1(uint32_t /*value*/) { return 0; }
    virtual int SetChannelValue2(uint32_t /*value*/) { return 0; }
    virtual int SetChannelValue3(uint32_t /*value*/) { return 0; }
    virtual int SetChannelValue4(uint32_t /*value*/) { return 0; }
    virtual int GetChannelValue1(uint32_t* /*value*/) { return 0; }
    virtual int GetChannelValue2(uint32_t* /*value*/) { return 0; }
    virtual int GetChannelValue3(uint32_t* /*value*/) { return 0; }
    virtual int GetChannelValue4(uint32_t* /*value*/) { return 0; }
    virtual int GetExposureLinesMin(uint32_t* /*value*/) { return 0; }
    virtual int GetExposureLinesMax(uint32_t* /*value*/) { return 0; }
    virtual int GetExposureLinesDefault(uint32_t* /*value*/) { return 0; }
    virtual int GetGainMin(uint32_t* /*value*/) { return 0; }
    virtual int GetGainMax(uint32_t* /*value*/) { return 0; }
    virtual int GetGainDefault(uint32_t* /*value*/) { return 0; }
    virtual int GetRange2Min(uint32_t* /*value*/) { return 0; }
    virtual int GetRange2Max(uint32_t* /*value*/) { return 0; }
    virtual int GetRange2Default(uint32_t* /*value*/) { return 0; }
    virtual int SetChannelGain(uint32_t /*channel*/, uint32_t /*value*/) { return 0; }
    virtual int SetChannelOffset(uint32_t /*channel*/, uint32_t /*value*/) { return 0; }
    virtual int GetChannelGain(uint32_t /*channel*/, uint32_t* /*value*/) { return 0; }
    virtual int GetChannelOffset(uint32_t /*channel*/, uint32_t* /*value*/) { return 0; }
    virtual int GetChannelGainMin(uint32_t* /*value*/) { return 0; }
    virtual int GetChannelGainMax(uint32_t* /*value*/) { return 0; }
    virtual int GetChannelGainDefault(uint32_t* /*value*/) { return 0; }
    virtual int GetChannelOffsetMin(uint32_t* /*value*/) { return 0; }
    virtual int GetChannelOffsetMax(uint32_t* /*value*/) { return 0; }
    virtual int GetChannelOffsetDefault(uint32_t* /*value*/) { return 0; }
    virtual int IsBlackLevelSupported();
    virtual int SetBlackLevel(uint32_t /*value*/) { return 0; }
    virtual int GetBlackLevel(uint32_t* value);
    virtual int GetBlackLevelMin(uint32_t* value);
    virtual int GetBlackLevelMax(uint32_t* value);
    virtual int GetBlackLevelDefault(uint32_t* value);
    virtual int IsFeatureSupported();
    virtual int SetFeature(uint32_t /*on*/) { return 0; }
    virtual int GetFeature(uint32_t* value);
    virtual int IsGainStageSupported();
    virtual int GetGainStageMin(uint32_t* value);
    virtual int GetGainStageMax(uint32_t* value);
    virtual int GetGainStageDefault(uint32_t* value);
    virtual int GetGainStage(uint32_t* value);
    virtual int SetGainStage(uint32_t /*stage*/) { return 0; }
    virtual int ReadGainStage(uint32_t* /*stage*/) { return 0; }
    virtual int GetGainStageLabel(uint32_t /*stage*/, char* /*text*/, uint32_t /*size*/) { return 0; }
    virtual int SetExposureTime(uint32_t /*time*/) { return 0; }
    virtual int GetExposureTime(uint32_t* /*value*/) { return 0; }
    virtual int GetExposureTimeMin(uint32_t* /*value*/) { return 0; }
    virtual int GetExposureTimeMax(uint32_t* /*value*/) { return 0; }
    virtual int GetExposureTimeDefault(uint32_t* /*value*/) { return 0; }
    virtual int SetFlipV(uint32_t /*on*/) { return 0; }
    virtual int GetFlipV(uint32_t* /*on*/) { return 0; }
    virtual int SetMirrorH(uint32_t /*on*/) { return 0; }
    virtual int GetMirrorH(uint32_t* /*on*/) { return 0; }
    virtual int GetFlipVAux();
    virtual int GetFlipHAux();
    virtual int GetFlipVEnabled();
    virtual int GetFlipHEnabled();
    virtual int SetParameter(uint32_t /*index*/, uint32_t* /*value*/) { return 0; }
    virtual int WriteRegister(uint32_t /*address*/, uint32_t /*value*/) { return 0; }
    virtual int ReadRegister(uint32_t /*address*/, uint32_t* /*value*/) { return 0; }
    virtual int WriteRegisterWhenIdle(uint32_t /*address*/, uint32_t /*value*/) { return 0; }
    virtual int ReadRegisterWhenIdle(uint32_t /*address*/, uint32_t* /*value*/) { return 0; }
    virtual int SetAuxValue(uint32_t /*value*/) { return 0; }
    virtual int GetAuxValue(uint32_t* /*value*/) { return 0; }
    virtual int ReservedA() { return 0; }
    virtual int ReservedB() { return 0; }
    virtual int ReservedC() { return 0; }
    virtual int ReservedD() { return 0; }
    virtual int SetClockMode(uint32_t /*mode*/) { return 0; }
    virtual int GetClockMode(uint32_t* /*mode*/) { return 0; }
    virtual int ReservedE() { return 0; }
    virtual int ReservedF() { return 0; }
    virtual int CopySensorInfo(SensorInfo* destination);
    virtual void RestartStreaming() {}
    virtual void RearmFpga() {}
    virtual int IsInternalCorrectionAvailable() { return 0; }
    virtual int SetInternalCorrection(uint32_t /*on*/) { return 0; }
    virtual int GetInternalCorrection(uint32_t* /*on*/) { return 0; }
    virtual int IsCoolingAvailable() { return 0; }
    virtual int GetCoolingState(uint32_t* /*on*/) { return 0; }
    virtual int SetCoolingState(uint32_t /*on*/) { return 0; }
    virtual int IsTemperatureAvailable() { return 0; }
    virtual int ReadTemperature(double* /*celsius*/) { return 0; }
    virtual void StartWorker() {}
    virtual void StopWorker(int /*abort*/) {}
    virtual int IsWorkerRunning() { return 0; }
    virtual int IsAuxOutputAvailable() { return 0; }
    virtual int GetAuxOutput(uint32_t* /*value*/) { return 0; }
    virtual int SetAuxOutput(uint32_t /*value*/) { return 0; }
    virtual int ReceiveText(char* /*buffer*/, uint32_t /*size*/) { return 0; }
    virtual int SendText(const char* /*text*/) { return 0; }
    virtual int IsExtendedModeAvailable() { return 0; }
    virtual int GetExtendedMode(uint32_t* /*mode*/) { return 0; }
    virtual int SetExtendedMode(uint32_t /*mode*/) { return 0; }
    virtual int ReservedQueryA(uint32_t* /*value*/) { return 0; }
    virtual int ReservedQueryB(uint32_t* /*value*/) { return 0; }
    virtual int ReservedQueryC(uint32_t* /*value*/) { return 0; }
    virtual int GetTargetTemperature(int32_t* /*celsius*/) { return 0; }
    virtual int SetTargetTemperature(int32_t /*celsius*/) { return 0; }
    virtual int IsExposureSecondsSupported();
    virtual double GetExposureSecondsMin(double* seconds);
    virtual double GetExposureSecondsMax(double* seconds);
    virtual double GetExposureSecondsDefault(double* seconds);
    virtual int GetExposureSeconds(double* seconds);
    virtual int SetExposureSeconds(double /*seconds*/) { return 0; }
    virtual int IsSpecialModeAvailable() { return 0; }
    virtual int GetSpecialMode(uint32_t* /*mode*/) { return 0; }
    virtual int SetSpecialMode(uint32_t /*mode*/) { return 0; }
    virtual int CheckReadiness(uint32_t /*first*/, uint32_t /*second*/) { return 0; }
    virtual int GetVersionInfo(uint32_t* /*version*/, uint16_t* /*revision*/, uint8_t* /*major*/,
                               uint8_t* /*minor*/) { return 0; }
    virtual int PostOpenStep() { return 0; }
    virtual int ReadStatusBit() { return -1; }
    virtual int SetStatusCompanion(uint32_t /*value*/) { return 0; }
    virtual int ModelSpecificA() { return 0; }
    virtual int ModelSpecificB() { return -1; }
    virtual int ModelSpecificC() { return 0; }
    virtual int CanOutputMode0() { return 1; }
    virtual int CanOutputMode1() { return 1; }
    virtual int CanOutputMode2() { return 1; }
    virtual int ModelSpecificD() { return 0; }
    virtual int ModelSpecificE() { return 0; }
    // --- end of the operations --------------------------------------------

    // What the camera object reads of the driver outside the operations
    // (capture window, sizes, the sensor restart after transfer errors).
    const SensorInfo& Info() const { return info_; }
    CControllerBase* Transport() const { return transport_; }
    uint8_t BusAddress() const { return busAddress_; }
    uint32_t ModelCode() const { return modelCode_; }
    uint16_t StatusWord() const { return statusWord_; }
    uint32_t ResetEnabled() const { return resetEnabled_; }

protected:
    // transport may be null: every register operation then fails with 0.
    CSensorBase(CControllerBase* transport, uint8_t busAddress);

    SensorInfo info_{};
    uint64_t reserved0_[4] = {};
    CControllerBase* transport_;
    uint8_t busAddress_;        // write form of the I2C address; 0 without serial bus
    uint32_t modeWord_ = kDefaultModeWord;
    uint16_t statusWord_ = 0;   // FPGA status word, cached once read
    uint32_t modelCode_ = 0;    // tells apart models that share a sensor class
    uint64_t aux0_ = 0;
    uint32_t aux1_ = 0;
    uint32_t resetEnabled_ = 1; // 0 turns the sensor restart after transfer errors off
    uint32_t auxValue_ = 300;
    uint32_t reserved1_ = 0;
    uint32_t aux2_ = 1;
    uint8_t aux3_ = 0;
    uint32_t versionWord_ = 0;
    uint16_t versionHalf_ = 0;
    uint8_t versionMajor_ = 0;
    uint8_t versionMinor_ = 0;
    uint32_t timingShadow_[8] = {};
};

} // namespace tavix
