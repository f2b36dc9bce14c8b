#include "app/widget.h"
#include "ui_widget.h"

#include "adapter/qb562.h"

#include <QDebug>

void Widget::plugInfoSlot(ULONG iEventStatus)
{
    if (iEventStatus == kQB562DeviceArrived) {
        qDebug() << "检测到设备插入";
        ui->lE_devInfo->setText(tr("设备已插入"));
    } else if (iEventStatus == kQB562DeviceRemoved) {
        qDebug() << "检测到设备拔出";
        ui->lE_devInfo->setText(tr("当前无设备连接"));
    }
    updateFlashActions();
    // Reading the adapters' identities probes every index: a burst of
    // notifications is answered by one reading, once it has passed.
    if (!adapterListDue) {
        adapterListDue = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                adapterListDue = false;
                showAttachedAdapters();
            },
            Qt::QueuedConnection);
    }
}
