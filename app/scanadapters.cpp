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
    showAttachedAdapters();
}

void Widget::showAttachedAdapters()
{
    // The choice keeps the adapter it showed, by identity, while that one
    // stays attached.
    const int before = ui->cbB_adapter->currentIndex();
    const std::optional<feldmoor::AdapterIdentity> kept =
        before >= 0 && std::size_t(before) < attached.size() ? std::optional(attached.at(std::size_t(before)))
                                                              : std::nullopt;
    attached = feldmoor::attachedAdapters();
    ui->cbB_adapter->clear();
    if (attached.size() < 2) {
        ui->cbB_adapter->hide();
        return;
    }
    int keep = 0;
    for (std::size_t i = 0; i < attached.size(); ++i) {
        const feldmoor::AdapterIdentity &adapter = attached.at(i);
        QString text = QString::fromStdString(adapter.location);
        if (!adapter.serial.empty())
            text += tr(" (序列号 %1)").arg(QString::fromStdString(adapter.serial));
        ui->cbB_adapter->addItem(text);
        if (kept && kept->location == adapter.location && kept->serial == adapter.serial)
            keep = int(i);
    }
    ui->cbB_adapter->setCurrentIndex(keep);
    ui->cbB_adapter->show();
    ui->lE_devInfo->setText(tr("已连接 %1 个设备").arg(attached.size()));
}
