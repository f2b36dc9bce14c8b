#ifndef FELDMOOR_CLI_MCSTEXTS_H
#define FELDMOOR_CLI_MCSTEXTS_H

#include "engine/mcsfile.h"

#include <QString>

namespace cli {

// Why a file is not a .mcs image, as the loader says it (without the line).
QString mcsProblemText(const engine::McsImage &image);

} // namespace cli

#endif
