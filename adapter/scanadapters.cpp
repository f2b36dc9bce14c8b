#include "app/widget.h"
#include "ui_widget.h"

#include "adapter/attachedadapters.h"

void Widget::scanAdapters()
{
    // Every index is probed, even after a hit; nothing of an open is kept.
    // Each attached adapter is reported, as each plug-in would be.
    for ([[maybe_unused]] unsigned index : feldmoor::attachedAdapterIndices()) {
        deviceConnected.store(true, std::memory_order_relaxed);
        ui->lE_devInfo->setText(tr("检测到设备已插入"));
    }
}
