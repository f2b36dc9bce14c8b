#include "cli/progressblock.h"
#include "cli/streamwrite.h"

namespace cli {

ProgressBlock::ProgressBlock(QStringList lines, FILE *err) : lines_(std::move(lines)), err_(err)
{
}

void ProgressBlock::setLine(int line, const QString &text)
{
    lines_[line] = text;
    erase();
    draw();
}

void ProgressBlock::printAbove(FILE *stream, const QByteArray &bytes)
{
    const bool shown = drawn_ > 0;
    erase();
    writeNow(stream, bytes);
    if (shown)
        draw();
}

void ProgressBlock::erase()
{
    // Up to the block's first line, then clear to the end of the screen.
    if (drawn_ > 0)
        writeNow(err_, QByteArrayLiteral("\x1b[") + QByteArray::number(drawn_) + QByteArrayLiteral("F\x1b[J"));
    drawn_ = 0;
}

void ProgressBlock::draw()
{
    QByteArray bytes;
    for (const QString &line : lines_)
        bytes += line.toLocal8Bit() + QByteArrayLiteral("\x1b[K\n");
    writeNow(err_, bytes);
    drawn_ = lines_.size();
}

} // namespace cli
