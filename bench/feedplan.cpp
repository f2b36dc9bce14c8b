#include "feedplan.h"

#include <sstream>

namespace {

const char *kindName(FeedKind kind)
{
    switch (kind) {
    case FeedKind::Progress:
        return "progress";
    case FeedKind::Log:
        return "log";
    case FeedKind::Exit:
        return "exit";
    }
    return "";
}

std::optional<FeedKind> kindNamed(const std::string &name)
{
    for (FeedKind kind : {FeedKind::Progress, FeedKind::Log, FeedKind::Exit}) {
        if (name == kindName(kind))
            return kind;
    }
    return std::nullopt;
}

} // namespace

std::string encodeFeedPlan(const FeedPlan &plan)
{
    // The path goes last and whole, so blanks in it survive the round trip.
    std::ostringstream text;
    text << kindName(plan.kind) << ' ' << plan.count << ' ' << plan.gapMicroseconds << ' ' << plan.stampPath;
    return text.str();
}

std::optional<FeedPlan> decodeFeedPlan(const std::string &text)
{
    std::istringstream in(text);
    std::string kindText;
    FeedPlan plan;
    if (!(in >> kindText >> plan.count >> plan.gapMicroseconds))
        return std::nullopt;
    const auto kind = kindNamed(kindText);
    if (!kind || plan.count < 0 || plan.gapMicroseconds < 0)
        return std::nullopt;
    plan.kind = *kind;
    if (in.get() == ' ')
        std::getline(in, plan.stampPath, '\0');
    if (plan.kind == FeedKind::Exit && plan.stampPath.empty())
        return std::nullopt;
    return plan;
}
