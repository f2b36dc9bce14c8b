#include "spi_proxy.h"

void SpiProxy::capture()
{
    endScan();
    phase_ = Phase::Marker;
    length_ = 0;
    lengthBits_ = 0;
    tdo_ = false;
}

bool SpiProxy::shift(bool tdi)
{
    switch (phase_) {
    case Phase::Marker:
        if (tdi)
            phase_ = Phase::Length;
        break;
    case Phase::Length:
        length_ = (length_ << 1) | (tdi ? 1u : 0u);
        if (++lengthBits_ == 32) {
            dataLeft_ = std::uint64_t{length_} + 1;
            phase_ = Phase::Data;
            flash_.select();
        }
        break;
    case Phase::Data:
        tdo_ = flash_.clock(tdi);
        if (--dataLeft_ == 0) {
            flash_.deselect();
            phase_ = Phase::Done;
        }
        break;
    case Phase::Done:
        break;
    }
    return tdo_;
}

void SpiProxy::endScan()
{
    if (phase_ == Phase::Data)
        flash_.deselect();
    phase_ = Phase::Done;
}
