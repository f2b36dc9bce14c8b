#include "hardwarebackend.h"

#include "usbbackend.h"

namespace qb562 {

std::unique_ptr<Backend> makeHardwareBackend()
{
    return std::make_unique<UsbBackend>();
}

}
