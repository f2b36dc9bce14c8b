#include "download/commandcomposition.h"
#include "download/partfamily.h"
#include "download/tclquote.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTest>

#include <jim.h>

#include <random>

// Every quoted value is read back by Jim Tcl, the interpreter OpenOCD runs
// its -c texts in, and must come back byte for byte.
//
// NUL is left out: a value reaches OpenOCD as a command-line argument, which
// cannot carry one, and Jim_Eval takes a C string.

namespace {

using Call = QList<QByteArray>; // command name followed by its arguments

QByteArray jimBytes(Jim_Obj *obj)
{
    int length = 0;
    const char *text = Jim_GetString(obj, &length);
    return QByteArray(text, length);
}

// Jim hands every command it doesn't know to "unknown", with the original
// words; recording them stands in for OpenOCD's own commands.
int recordUnknown(Jim_Interp *interp, int argc, Jim_Obj *const *argv)
{
    auto *calls = static_cast<QList<Call> *>(Jim_CmdPrivData(interp));
    Call call;
    for (int i = 1; i < argc; ++i)
        call << jimBytes(argv[i]);
    calls->append(call);
    return JIM_OK;
}

// Readable and unambiguous, so a failing comparison shows what Jim saw.
QByteArray describe(const QList<Call> &calls)
{
    QByteArrayList commands;
    for (const Call &call : calls) {
        QByteArrayList words;
        for (const QByteArray &word : call)
            words << word.toPercentEncoding("/:.");
        commands << words.join(' ');
    }
    return commands.join("; ");
}

class JimInterpreter
{
public:
    JimInterpreter() : m_interp(Jim_CreateInterp())
    {
        Jim_RegisterCoreCommands(m_interp);
        Jim_CreateCommand(m_interp, "unknown", recordUnknown, &m_calls, nullptr);
    }
    ~JimInterpreter() { Jim_FreeInterp(m_interp); }
    JimInterpreter(const JimInterpreter &) = delete;
    JimInterpreter &operator=(const JimInterpreter &) = delete;

    // Evaluates `script`; returns the error text, empty on success.
    QByteArray eval(const QString &script)
    {
        m_calls.clear();
        if (Jim_Eval(m_interp, script.toUtf8().constData()) == JIM_OK)
            return {};
        const QByteArray message = jimBytes(Jim_GetResult(m_interp));
        return message.isEmpty() ? QByteArray("error") : message;
    }

    QByteArray variable(const char *name)
    {
        Jim_Obj *value = Jim_GetVariableStr(m_interp, name, JIM_NONE);
        return value ? jimBytes(value) : QByteArray("<unset>");
    }

    const QList<Call> &calls() const { return m_calls; }

private:
    Jim_Interp *m_interp;
    QList<Call> m_calls;
};

// Values that once looked tricky: separators and escapes at either end,
// what would open a variable, a command, a braced or quoted word, or an
// argument expansion, and escapes Tcl would decode if left bare.
QStringList edgeValues()
{
    return {
        QString(), QStringLiteral(" "), QStringLiteral("\n"), QStringLiteral("\v"), QStringLiteral(" \v"),
        QStringLiteral("\\"), QStringLiteral("x\\"), QStringLiteral("\\\n"), QStringLiteral("\\n"),
        QStringLiteral("\\x41"), QStringLiteral("\\u4e2d"), QStringLiteral("\\101"), QStringLiteral("\r\n"),
        QStringLiteral("$"), QStringLiteral("$x"), QStringLiteral("${x}"), QStringLiteral("a($"),
        QStringLiteral("("), QStringLiteral(")"), QStringLiteral("a(b)"), QStringLiteral("$a(b)"),
        QStringLiteral("{*}x"), QStringLiteral("{"), QStringLiteral("}"), QStringLiteral("\"x\""),
        QStringLiteral("[exit]"), QStringLiteral("]"), QStringLiteral(";exit"), QStringLiteral("#x"),
        QStringLiteral("x;#y"), QStringLiteral("\t\f\r"), QStringLiteral("D:/my fpga/top [v2].bin"),
        QStringLiteral("文件 下载"), QString::fromUcs4(U"\U0001F600 x"),
    };
}

class RandomValues
{
public:
    explicit RandomValues(quint32 seed) : m_engine(seed) {}

    QString next()
    {
        const int length = pick(0, 24);
        const int style = pick(0, 2);
        QString value;
        for (int i = 0; i < length; ++i)
            value += style == 0 ? anyAscii() : style == 1 ? mostlySpecial() : mixed();
        return value;
    }

private:
    int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_engine); }

    QString anyAscii() { return QString(QChar(pick(1, 127))); }

    QString mostlySpecial()
    {
        static const QString specials = QStringLiteral(" \t\r\n\v\f\\[]{}$\";#()x0");
        if (pick(0, 4) == 0)
            return anyAscii();
        return QString(specials.at(pick(0, int(specials.size()) - 1)));
    }

    QString mixed()
    {
        switch (pick(0, 4)) {
        case 0:
            return QString(QChar(pick(0x4E00, 0x9FFF))); // CJK, 3 bytes in UTF-8
        case 1:
            return QString::fromUcs4(std::u32string(1, char32_t(pick(0x1F300, 0x1FAFF))).c_str(), 1); // 4 bytes
        case 2:
            return QString(QChar(pick(0x80, 0x7FF))); // 2 bytes, NEL and no-break space among them
        default:
            return mostlySpecial();
        }
    }

    std::mt19937 m_engine;
};

} // namespace

class TestTclQuote : public QObject
{
    Q_OBJECT

private slots:
    void plainValuesComeBackUnchanged_data();
    void plainValuesComeBackUnchanged();
    void lineFeedBecomesEscape();
    void leadingCommentSignEscaped();
    void readsBackThroughJim();
};

void TestTclQuote::plainValuesComeBackUnchanged_data()
{
    QTest::addColumn<QString>("value");
    QTest::newRow("empty") << QString();
    QTest::newRow("bitstream path") << QStringLiteral("D:/fpga/top.bit");
    QTest::newRow("proxy path") << QStringLiteral("C:/Tools/FPGABit/bscan_spi_xc7k325t-debug.bit");
    QTest::newRow("family prefix") << QStringLiteral("xc7");
    QTest::newRow("comment sign inside") << QStringLiteral("top#2.bin");
    QTest::newRow("parentheses") << QStringLiteral("top(1).bin");
    QTest::newRow("cjk") << QStringLiteral("D:/设计/顶层.bit");
}

void TestTclQuote::plainValuesComeBackUnchanged()
{
    QFETCH(QString, value);
    QCOMPARE(tclQuoteWord(value), value);
}

void TestTclQuote::lineFeedBecomesEscape()
{
    // A backslash-newline would read back as a blank.
    QCOMPARE(tclQuoteWord(QStringLiteral("a\nb")), QStringLiteral("a\\nb"));
}

void TestTclQuote::leadingCommentSignEscaped()
{
    // The family prefix starts the reload command, where '#' would turn
    // the whole command into a comment.
    QCOMPARE(tclQuoteWord(QStringLiteral("#x")), QStringLiteral("\\#x"));
    QCOMPARE(tclQuoteWord(QStringLiteral("a#")), QStringLiteral("a#"));
}

void TestTclQuote::readsBackThroughJim()
{
    const quint32 seed = 20240611;
    qInfo("random seed %u", seed);

    QStringList values = edgeValues();
    RandomValues random(seed);
    for (int i = 0; i < 10000; ++i)
        values << random.next();
    // Every ASCII character but NUL, alone and after a separator.
    for (char16_t c = 1; c < 128; ++c)
        values << QString(QChar(c)) << QStringLiteral("a") + QChar(c) + QStringLiteral("b");

    JimInterpreter jim;
    for (const QString &value : values) {
        const QByteArray expected = value.toUtf8();
        const QString quoted = tclQuoteWord(value);
        // An empty value gives no word at all, which the window accepts
        // ("pld load 0" with nothing after); every other value gives one.
        const Call fileWord = value.isEmpty() ? Call() : Call{ expected };

        // As the one word after "set": extra words would give "wrong # args".
        if (!value.isEmpty()) {
            const QByteArray setError = jim.eval(QStringLiteral("set v ") + quoted);
            if (!setError.isEmpty())
                QFAIL(qPrintable(QStringLiteral("set v %1: %2").arg(quoted, QString::fromUtf8(setError))));
            QCOMPARE(jim.variable("v"), expected);
        }

        // As the file of a Bit load, exactly as the window passes it.
        DownloadRequest request{ QStringLiteral("xc7a35t"), QStringLiteral("10000000"), FileKind::Bit, value,
                                 QStringLiteral("C:/Tools") };
        const QStringList bitArgs = composeDownloadCommand(request).arguments;
        QCOMPARE(jim.eval(bitArgs.at(9)), QByteArray());
        QCOMPARE(describe(jim.calls()), describe({ { "init" }, Call{ "pld", "load", "0" } + fileWord }));

        // As the file and, through the part name, the proxy and family of a Bin run.
        request.kind = FileKind::Bin;
        request.partName = value;
        const QStringList binArgs = composeDownloadCommand(request).arguments;
        QCOMPARE(jim.eval(binArgs.at(9)), QByteArray());
        const QByteArray proxy = proxyBitstreamPath(request.applicationDir, value).toUtf8();
        QCOMPARE(describe(jim.calls()), describe({ { "init" }, { "jtagspi_init", "0", proxy } }));
        QCOMPARE(jim.eval(binArgs.at(11)), QByteArray());
        QCOMPARE(describe(jim.calls()), describe({ Call{ "jtagspi_program" } + fileWord + Call{ "0x0" } }));
        const QByteArray prefix = partFamily(value).prefix.toUtf8();
        QCOMPARE(jim.eval(binArgs.at(13)), QByteArray());
        QCOMPARE(describe(jim.calls()), describe({ { prefix + "_program", prefix + ".tap" } }));
    }
}

QTEST_GUILESS_MAIN(TestTclQuote)
#include "tst_tclquote.moc"
