#ifndef FELDMOOR_OPENOCD_HOST_TRAITS_H
#define FELDMOOR_OPENOCD_HOST_TRAITS_H

#include <string>

// What differs between the systems the suites run on.

// Names for the path tests: in a folder and a file name, every character
// this system's file names allow that Tcl treats apart (and, on Windows,
// letters outside ASCII, which only the wide API opens).
struct AwkwardNames {
    std::string folder;
    std::string file;  // without extension
};
AwkwardNames awkwardNames();

// `path` spelled with the system's own separators: backslashes on Windows,
// as a user types them there.
std::string nativeSeparators(const std::string &path);

// Extra seconds a short run may take beyond what it takes on Linux: under
// Wine each program start costs about half a second and every pipe write a
// trip through the Wine server.
double extraRunSeconds();

#endif
