#ifndef FELDMOOR_TESTS_CLI_HEXRECORD_H
#define FELDMOOR_TESTS_CLI_HEXRECORD_H

#include <QByteArray>

// One Intel HEX record line, its checksum made as the vendor's tools make it.
QByteArray hexRecord(int type, int address, const QByteArray &data);

#endif
