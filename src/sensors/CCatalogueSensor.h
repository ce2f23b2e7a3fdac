#pragma once
// The common ground of the family's drivers other than the IMX264 and its
// register-layout siblings: SensorInfo filled from the driver's catalogue
// row, getters that answer from the stored ranges, and the conversions that
// do not depend on a sensor's registers (exposure time to lines, exposure in
// seconds). A family base adds its register access; a setter whose register
// the family does not know keeps the interface's default and fails.

#include <cstdint>

#include "sensors/CSensorBase.h"
#include "sensors/SensorCatalogue.h"

namespace tavix {

class CCatalogueSensor : public CSensorBase {
public:
    int ProbeSensor() override { return 1; }
    // Without a transport nothing can reach the sensor; with one the stored
    // defaults are applied through whichever setters the driver has.
    int InitializeSensor() override;
    int GetWindow(uint32_t* x, uint32_t* width, uint32_t* y, uint32_t* height, uint32_t* mode) override;
    int SetTransferDepth(uint32_t sixteenBits) override;
    int GetExposureLines(uint32_t* lines) override { return Deliver(lines, info_.exposureLines.current); }
    int GetGain(uint32_t* gain) override { return Deliver(gain, info_.gain.current); }
    int GetExposureLinesMin(uint32_t* value) override { return Deliver(value, info_.exposureLines.minimum); }
    int GetExposureLinesMax(uint32_t* value) override { return Deliver(value, info_.exposureLines.maximum); }
    int GetExposureLinesDefault(uint32_t* value) override;
    int GetGainMin(uint32_t* value) override { return Deliver(value, info_.gain.minimum); }
    int GetGainMax(uint32_t* value) override { return Deliver(value, info_.gain.maximum); }
    int GetGainDefault(uint32_t* value) override { return Deliver(value, info_.gain.defaultValue); }
    int GetRange2Min(uint32_t* value) override { return Deliver(value, info_.range2.minimum); }
    int GetRange2Max(uint32_t* value) override { return Deliver(value, info_.range2.maximum); }
    int GetRange2Default(uint32_t* value) override { return Deliver(value, info_.range2.defaultValue); }
    // Converted to lines with the default line time; fails where the
    // driver has no line timing or cannot set lines.
    int SetExposureTime(uint32_t time) override;
    int GetExposureTime(uint32_t* value) override { return Deliver(value, info_.exposureTime.current); }
    int GetExposureTimeMin(uint32_t* value) override { return Deliver(value, info_.exposureTime.minimum); }
    int GetExposureTimeMax(uint32_t* value) override { return Deliver(value, info_.exposureTime.maximum); }
    int GetExposureTimeDefault(uint32_t* value) override;
    int GetFlipV(uint32_t* on) override { return Deliver(on, info_.flipV); }
    int GetMirrorH(uint32_t* on) override { return Deliver(on, info_.flipH); }
    // Clamped into the seconds range, sent as whole microseconds, stored in
    // seconds and in units of 100 us. Only drivers that take seconds.
    int SetExposureSeconds(double seconds) override;

    const SensorConstants& Constants() const { return constants_; }

protected:
    CCatalogueSensor(CControllerBase* transport, uint8_t busAddress, SensorModel model);

    static int Deliver(uint32_t* out, uint32_t value);
    static int Deliver(uint32_t* out, int32_t value) { return Deliver(out, static_cast<uint32_t>(value)); }
    static uint32_t ClampInto(const SensorRange& range, uint32_t value);
    // Drivers that take the exposure in seconds: the range follows the
    // exposure time's (units of 100 us).
    void SupportExposureSeconds();
    virtual int WriteExposureMicroseconds(uint32_t /*microseconds*/) { return 0; }

    const SensorConstants& constants_;
};

} // namespace tavix
