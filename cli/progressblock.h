#ifndef FELDMOOR_CLI_PROGRESSBLOCK_H
#define FELDMOOR_CLI_PROGRESSBLOCK_H

#include <QString>
#include <QStringList>

#include <cstdio>

namespace cli {

// One progress line per board at the bottom of a terminal, redrawn in place
// with ANSI cursor movement (Windows consoles take it once virtual-terminal
// mode is on). Any other output is printed above the block.
class ProgressBlock {
public:
    // `lines`: what each line shows until its first progress.
    explicit ProgressBlock(QStringList lines, FILE *err = stderr);

    void setLine(int line, const QString &text);
    // Prints `bytes` to `stream` above the block.
    void printAbove(FILE *stream, const QByteArray &bytes);

private:
    void erase();
    void draw();

    QStringList lines_;
    FILE *err_;
    int drawn_ = 0;
};

} // namespace cli

#endif
