#ifndef FELDMOOR_QB562_USBBACKEND_H
#define FELDMOOR_QB562_USBBACKEND_H

// Real adapters on USB, through libusb.

#include "adapterslots.h"
#include "backend.h"

#include <array>
#include <memory>
#include <mutex>

struct libusb_context;
struct libusb_device_handle;

namespace qb562 {

class UsbHotplug;

class UsbBackend final : public Backend {
public:
    UsbBackend();
    ~UsbBackend() override;

    std::intptr_t open(ULONG index) override;
    bool close(ULONG index) override;
    bool startEvents(NotifyRegistry &registry) override;

private:
    // libusb is set up on first use, not at load time, so that merely linking
    // the library costs nothing. Needs mutex_ held; null when USB is unusable
    // here (e.g. a container without /dev/bus/usb), which is said once.
    libusb_context *context();

    std::mutex mutex_;
    bool contextTried_ = false;
    libusb_context *context_ = nullptr;
    std::array<libusb_device_handle *, kAdapterSlots> handles_{};
    std::unique_ptr<UsbHotplug> hotplug_;
};

}

#endif
