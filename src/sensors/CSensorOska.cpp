#include "sensors/CSensorOska.h"

#include "sensors/SensorCatalogue.h"
#include "transport/CControllerBase.h"

namespace tavix {

CSensorOska::CSensorOska(CControllerBase* transport, uint8_t busAddress) : CSensorBase(transport, busAddress)
{
    info_ = CatalogueSensorInfo(CatalogueRow(SensorModel::kOska));
}

int CSensorOska::SetParameter(uint32_t index, uint32_t* value)
{
    if (transport_ == nullptr || value == nullptr || index > 0xFF || *value > 0xFF) {
        return 0;
    }
    const uint8_t bytes[2] = {static_cast<uint8_t>(index), static_cast<uint8_t>(*value)};
    return transport_->I2cWrite(busAddress_, bytes, 2) != 0 ? 1 : 0;
}

} // namespace tavix
