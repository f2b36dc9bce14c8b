#include "app/widget.h"
#include "ui_widget.h"

#include "adapter/qb562.h"

void Widget::scanAdapters()
{
    // Every index is probed, even after a hit; nothing of an open is kept.
    for (ULONG index = 0; index < kQB562AdapterSlots; ++index) {
        if (QB562OpenDevice(index) == -1)
            continue;
        deviceConnected.store(true, std::memory_order_relaxed);
        ui->lE_devInfo->setText("检测到设备已插入");
        QB562CloseDevice(index);
    }
}
