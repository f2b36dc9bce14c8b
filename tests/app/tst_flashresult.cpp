#include "app/flashresult.h"

#include <QTest>

// The Flash menu's result lines, told from how the job ended: a failure
// says 失败, a success never does, and the probe's failures name what the
// chain showed.
class TestFlashResult : public QObject
{
    Q_OBJECT

private slots:
    void failureSaysFailed()
    {
        const FlashOperation operations[] = {FlashOperation::Verify, FlashOperation::ReadBack, FlashOperation::Erase,
                                             FlashOperation::BlankCheck};
        for (const FlashOperation operation : operations) {
            for (int k = 0; k <= int(engine::OutcomeKind::Terminated); ++k) {
                const auto kind = engine::OutcomeKind(k);
                FlashResult result;
                result.operation = operation;
                result.kind = kind;
                result.range = engine::FlashRange{0, 0x40000};
                result.boardPart = QStringLiteral("xc7a35t");
                result.sectorSize = 0x10000;
                engine::BlankCheck blank;
                blank.size = 0x40000;
                blank.nonBlank = kind == engine::OutcomeKind::NotBlank ? 3 : 0;
                blank.firstNonBlank = 0x1234;
                result.blank = blank;
                result.difference = FlashDifference{0x2000, 1, false};
                const QString line = flashResultLine(result);
                QVERIFY2(line.contains(QStringLiteral("失败")) != engine::succeeded(kind),
                         qPrintable(QStringLiteral("kind %1: %2").arg(k).arg(line)));
                QCOMPARE(flashFailure(kind) == FlashFailure::None, engine::succeeded(kind));
            }
        }
    }

    void probeFailures()
    {
        using Kind = engine::OutcomeKind;
        QVERIFY(probeFailureLine(FlashOperation::Erase, Kind::ChainEmpty, std::nullopt)
                    .contains(QStringLiteral("JTAG 链上没有器件应答")));
        // Whether the commands needed the part or the job only named it, an
        // IDCODE outside the catalogue is named.
        for (const Kind kind : {Kind::UnknownIdcode, Kind::UnknownBoardPart})
            QVERIFY(probeFailureLine(FlashOperation::Verify, kind, 0x0362d093u)
                        .contains(QStringLiteral("IDCODE 0x0362d093")));
        const QString timedOut = probeFailureLine(FlashOperation::ReadBack, Kind::Timeout, std::nullopt);
        QVERIFY2(timedOut.contains(QStringLiteral("超时")) && timedOut.contains(QStringLiteral("失败")),
                 qPrintable(timedOut));
        QVERIFY(probeFailureLine(FlashOperation::Erase, Kind::ToolNotStartable, std::nullopt)
                    .contains(QStringLiteral("OpenOCD 无法启动")));
    }
};

QTEST_GUILESS_MAIN(TestFlashResult)
#include "tst_flashresult.moc"
