#include "cli/adapterchoice.h"

#include "cli/exitcodes.h"

#include <QRegularExpression>

#include <algorithm>
#include <functional>
#include <iterator>

namespace cli {

namespace {

QString location(const feldmoor::AdapterIdentity &identity)
{
    return QString::fromStdString(identity.location);
}

QString serial(const feldmoor::AdapterIdentity &identity)
{
    return QString::fromStdString(identity.serial);
}

AdapterChoice refused(int code, const QString &message)
{
    AdapterChoice choice;
    choice.errorCode = code;
    choice.error = message;
    return choice;
}

QString attachedList(const std::vector<feldmoor::AdapterIdentity> &attached)
{
    QStringList names;
    for (const feldmoor::AdapterIdentity &identity : attached)
        names << adapterText(identity);
    return names.join(QLatin1String(", "));
}

} // namespace

QString adapterText(const feldmoor::AdapterIdentity &identity)
{
    QString text = QStringLiteral("%1 at %2").arg(identity.index).arg(location(identity));
    if (!identity.serial.empty())
        text += QLatin1String(" (serial ") + serial(identity) + QLatin1Char(')');
    return text;
}

AdapterChoice chooseAdapters(const QStringList &selectors, const std::vector<feldmoor::AdapterIdentity> &attached)
{
    AdapterChoice choice;
    if (selectors.isEmpty()) {
        if (attached.size() > 1)
            return refused(exitcode::kUsage, QLatin1String("several adapters are attached; choose one with --adapter: ") +
                                                 attachedList(attached));
        if (!attached.empty())
            choice.chosen << ChosenAdapter{attached.front(), {}};
        return choice;
    }
    static const QRegularExpression index(QStringLiteral("^[0-9]+$"));
    for (const QString &selector : selectors) {
        std::vector<feldmoor::AdapterIdentity> matches;
        bool bySerial = false;
        if (selector == QLatin1String("all")) {
            matches = attached;
            if (matches.empty())
                return refused(exitcode::kNoAdapter, QStringLiteral("--adapter all: no QB562 adapter is attached"));
        } else {
            std::function<bool(const feldmoor::AdapterIdentity &)> fits;
            if (selector.startsWith(QLatin1String("serial="))) {
                bySerial = true;
                const QString wanted = selector.mid(7);
                fits = [wanted](const feldmoor::AdapterIdentity &a) { return !wanted.isEmpty() && serial(a) == wanted; };
            } else if (selector.contains(QLatin1Char('-'))) {
                fits = [selector](const feldmoor::AdapterIdentity &a) { return location(a) == selector; };
            } else if (index.match(selector).hasMatch()) {
                fits = [selector](const feldmoor::AdapterIdentity &a) { return QString::number(a.index) == selector; };
            } else {
                return refused(exitcode::kUsage, QLatin1String("--adapter ") + selector +
                                                     QLatin1String(": give a USB location (1-2.3), serial=TEXT, an "
                                                                   "index as 'feldmoor-cli adapters' prints it, or all"));
            }
            std::copy_if(attached.begin(), attached.end(), std::back_inserter(matches), fits);
            if (matches.empty())
                return refused(exitcode::kNoAdapter,
                               QLatin1String("--adapter ") + selector + QLatin1String(" matches no attached adapter") +
                                   (attached.empty() ? QString() : QLatin1String(" (attached: ") + attachedList(attached) + QLatin1Char(')')));
            if (matches.size() > 1)
                return refused(exitcode::kUsage, QLatin1String("--adapter ") + selector +
                                                     QLatin1String(" matches several adapters (") + attachedList(matches) +
                                                     QLatin1String("): choose them by location"));
        }
        for (const feldmoor::AdapterIdentity &identity : matches) {
            const bool twice = std::any_of(choice.chosen.begin(), choice.chosen.end(),
                                           [&](const ChosenAdapter &c) { return c.identity.index == identity.index; });
            if (twice)
                return refused(exitcode::kUsage,
                               QLatin1String("adapter ") + adapterText(identity) + QLatin1String(" is chosen twice"));
            AdapterSelection selection;
            if (bySerial)
                selection.serial = serial(identity);
            else
                selection.usbLocation = location(identity);
            choice.chosen << ChosenAdapter{identity, selection};
        }
    }
    return choice;
}

} // namespace cli
