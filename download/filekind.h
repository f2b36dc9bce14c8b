#ifndef FELDMOOR_DOWNLOAD_FILEKIND_H
#define FELDMOOR_DOWNLOAD_FILEKIND_H

// What the chosen file holds: a configuration loaded straight into the FPGA
// (Bit) or an image written to the configuration flash behind it (Bin).
enum class FileKind { Bit, Bin };

// The file type combo box lists "BIT" first; every other entry means a flash image.
FileKind fileKindFromIndex(int index);

#endif
