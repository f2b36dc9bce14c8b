#include "app/devicenotifycallback.h"
#include "adapter/qb562.h"
#include "app/widget.h"
#include "debuglog.h"
#include "simulatedbus.h"
#include "windowinternals.h"

#include <QApplication>
#include <QDir>
#include <QComboBox>
#include <QLineEdit>
#include <QMetaMethod>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <atomic>
#include <memory>
#include <thread>

namespace {

const QString noDevice = "当前无设备连接";
const QString probed = "检测到设备已插入";
const QString inserted = "设备已插入";

}

class AdapterPresenceTest : public QObject
{
    Q_OBJECT

public:
    explicit AdapterPresenceTest(const QString &bus) : bus(bus) {}

private slots:
    void cleanup();

    void noAdapterAtStartUp();
    void oneAdapterAtStartUp();
    void adaptersAtSeveralIndices();
    void plugAndUnplugFromTheLibraryThread();
    void otherStatusesAreIgnored();
    void arrivalThenRemovalEndsWithNoDevice();
    void queuedSignalCarriesItsArgument();
    void notificationAfterDestructionChangesNothing();
    void stormWhileWindowsComeAndGo();

private:
    void plug(int index) { QVERIFY(QDir(bus).mkpath(QString("adapter%1").arg(index))); }
    void unplug(int index) { QVERIFY(QDir(bus + QString("/adapter%1").arg(index)).removeRecursively()); }
    QString deviceText(const Widget &w) { return w.findChild<QLineEdit *>("lE_devInfo")->text(); }

    QString bus;
};

void AdapterPresenceTest::cleanup()
{
    for (unsigned i = 0; i < kQB562AdapterSlots; ++i)
        QDir(bus + QString("/adapter%1").arg(i)).removeRecursively();
    // Let the library's removal events drain before the next case.
    QTest::qWait(200);
}

void AdapterPresenceTest::noAdapterAtStartUp()
{
    Widget w;
    QCOMPARE(deviceText(w), noDevice);
    QCOMPARE(WindowInternals::deviceConnected(w), false);
}

void AdapterPresenceTest::oneAdapterAtStartUp()
{
    plug(0);
    Widget w;
    QCOMPARE(deviceText(w), probed);
    QCOMPARE(WindowInternals::deviceConnected(w), true);
    // The probe closed what it opened: there is nothing left to close.
    QVERIFY2(!QB562CloseDevice(0), "the window left index 0 open");
}

void AdapterPresenceTest::adaptersAtSeveralIndices()
{
    // A hit at 3 must not stop the probe before 15.
    plug(3);
    plug(15);
    {
        // Two attached: the field says how many, and the choice shows both.
        Widget w;
        QCOMPARE(deviceText(w), QString("已连接 2 个设备"));
        QCOMPARE(w.findChild<QComboBox *>("cbB_adapter")->count(), 2);
        QCOMPARE(WindowInternals::deviceConnected(w), true);
        for (ULONG i : {3u, 15u})
            QVERIFY2(!QB562CloseDevice(i), "the window left an index open");
    }
    unplug(3);
    Widget w;
    QCOMPARE(deviceText(w), probed);
    QVERIFY(w.findChild<QComboBox *>("cbB_adapter")->isHidden());
    QCOMPARE(WindowInternals::deviceConnected(w), true);
}

void AdapterPresenceTest::plugAndUnplugFromTheLibraryThread()
{
    Widget w;
    QCOMPARE(WindowInternals::deviceConnected(w), false);
    DebugLog log;

    plug(5);
    QTRY_COMPARE_WITH_TIMEOUT(deviceText(w), inserted, 2000);
    QCOMPARE(WindowInternals::deviceConnected(w), true);
    QTRY_COMPARE(log.count("检测到设备插入"), 2);

    log.clear();
    unplug(5);
    QTRY_COMPARE_WITH_TIMEOUT(deviceText(w), noDevice, 2000);
    QCOMPARE(WindowInternals::deviceConnected(w), false);
    QTRY_COMPARE(log.count("检测到设备拔出"), 2);
    QCOMPARE(log.count("检测到设备插入"), 0);
}

void AdapterPresenceTest::otherStatusesAreIgnored()
{
    Widget w;
    DebugLog log;
    std::thread([] {
        deviceNotifyCallback(1);
        deviceNotifyCallback(2);
        deviceNotifyCallback(0xFFFFFFFFu);
    }).join();
    QCoreApplication::processEvents();
    QCOMPARE(log.lines(), QStringList());
    QCOMPARE(deviceText(w), noDevice);
    QCOMPARE(WindowInternals::deviceConnected(w), false);

    // Even straight after an arrival, an unknown status leaves it alone.
    std::thread([] {
        deviceNotifyCallback(3);
        deviceNotifyCallback(7);
    }).join();
    QTRY_COMPARE(deviceText(w), inserted);
    QCOMPARE(WindowInternals::deviceConnected(w), true);
    QCOMPARE(log.lines().size(), 2);
}

void AdapterPresenceTest::arrivalThenRemovalEndsWithNoDevice()
{
    Widget w;
    std::thread([] {
        deviceNotifyCallback(3);
        deviceNotifyCallback(0);
    }).join();
    // The flag is written on the notifying thread, before the queued slots run.
    QCOMPARE(WindowInternals::deviceConnected(w), false);
    QTRY_COMPARE(deviceText(w), noDevice);

    // Both slots ran, in order: the first one really showed the arrival.
    plug(1);
    QTRY_COMPARE_WITH_TIMEOUT(deviceText(w), inserted, 2000);
    unplug(1);
    QTRY_COMPARE_WITH_TIMEOUT(deviceText(w), noDevice, 2000);
}

void AdapterPresenceTest::queuedSignalCarriesItsArgument()
{
    Widget w;
    const QMetaMethod signal = w.metaObject()->method(w.metaObject()->indexOfSignal("plugInfo(ULONG)"));
    QVERIFY(signal.isValid());
    QVERIFY(signal.parameterMetaType(0).isValid());
    QCOMPARE(signal.parameterMetaType(0).sizeOf(), qsizetype(4));

    QList<ULONG> received;
    QThread *guiThread = QThread::currentThread();
    bool onGuiThread = true;
    connect(&w, &Widget::plugInfo, &w, [&](ULONG status) {
        received << status;
        onGuiThread = onGuiThread && QThread::currentThread() == guiThread;
    });
    std::thread([&w] {
        emit w.plugInfo(3);
        emit w.plugInfo(0);
        emit w.plugInfo(0x80000003u);
    }).join();
    QTRY_COMPARE(received, QList<ULONG>({3u, 0u, 0x80000003u}));
    QVERIFY(onGuiThread);
    QCOMPARE(deviceText(w), noDevice);
}

void AdapterPresenceTest::notificationAfterDestructionChangesNothing()
{
    {
        Widget w;
    }
    QCOMPARE(widgetInstance.load(), nullptr);
    DebugLog log;
    std::thread([] {
        deviceNotifyCallback(3);
        deviceNotifyCallback(0);
    }).join();
    plug(2);
    unplug(2);
    QTest::qWait(300);
    QCoreApplication::processEvents();
    QCOMPARE(log.lines(), QStringList());
}

void AdapterPresenceTest::stormWhileWindowsComeAndGo()
{
    std::atomic<bool> stop{false};
    std::atomic<long> fired{0};
    auto storm = [&](ULONG first) {
        ULONG status = first;
        while (!stop.load()) {
            deviceNotifyCallback(status);
            status = status == 3 ? 0 : 3;
            ++fired;
        }
        // Both threads end on a removal, so that is the last event.
        deviceNotifyCallback(0);
    };

    DebugLog quiet;
    std::unique_ptr<Widget> w;
    std::thread a(storm, 3u);
    std::thread b(storm, 0u);
    for (int round = 0; round < 40; ++round) {
        w = std::make_unique<Widget>();
        QCoreApplication::processEvents();
        w.reset();
        QCoreApplication::processEvents();
    }
    w = std::make_unique<Widget>();
    while (fired.load() < 4000)
        QCoreApplication::processEvents();
    stop = true;
    a.join();
    b.join();
    QCoreApplication::processEvents();
    QTRY_COMPARE(deviceText(*w), noDevice);
    QCOMPARE(WindowInternals::deviceConnected(*w), false);
    QVERIFY(fired.load() >= 4000);

    w.reset();
    QCOMPARE(widgetInstance.load(), nullptr);
}

int main(int argc, char *argv[])
{
    return runOnSimulatedBus<AdapterPresenceTest>(argc, argv);
}

#include "tst_adapterpresence.moc"
