#ifndef FELDMOOR_JTAGBOARD_MODELLED_PARTS_H
#define FELDMOOR_JTAGBOARD_MODELLED_PARTS_H

#include "feldmoor/projectfacts.h"

#include <string>

// The catalogue parts the board can stand for, or nullptr. Besides the
// 7-series, the single-die Kintex UltraScale parts: their TAP keeps the
// 7-series IR length (6) and instruction codes, their configuration logic
// the same packets, registers and status bits (DONE 14, ID_ERROR 15), so one
// device model serves both with the part's IDCODE.
const feldmoor::PartFacts *modelledPart(const std::string &part);

#endif
