#include "part_match.h"

#include <algorithm>
#include <iterator>
#include <cctype>
#include <string_view>

namespace {

std::string lower(const std::string &text)
{
    std::string out = text;
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return std::tolower(c); });
    return out;
}

std::string withoutXc(const std::string &part)
{
    return part.compare(0, 2, "xc") == 0 ? part.substr(2) : part;
}

// Package codes of the 7-series, Spartan-6 and Spartan-3 generations: letters
// from this list followed by the pin count. Listing the letters is what keeps
// "7a35tcsg324" from passing for an "xc7a35": "tcsg" is no package.
bool isPackageCode(std::string_view text)
{
    static constexpr std::string_view kLetters[] = {
        "cs",  "csg", "csga", "cp",   "cpg",  "cpga", "ft",  "ftg",  "ftgb", "fg",  "fgg",
        "fgga", "ff", "ffg",  "ffgb", "ffv",  "ffva", "ffvb", "ffvc", "fb",  "fbg", "fbv",
        "fl",  "flg", "flga", "flv",  "fh",   "fhg",  "rb",  "rf",   "rs",   "tq",  "tqg",
        "vq",  "vqg", "pq",   "pqg",  "cl",   "clg",  "sb",  "sbg",  "hc",   "hcg", "sbv"};
    std::size_t letters = 0;
    while (letters < text.size() && std::isalpha(static_cast<unsigned char>(text[letters])))
        ++letters;
    const std::string_view digits = text.substr(letters);
    if (digits.size() < 2 || digits.size() > 4 ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }))
        return false;
    return std::find(std::begin(kLetters), std::end(kLetters), text.substr(0, letters)) != std::end(kLetters);
}

}  // namespace

bool bitPartMatches(const std::string &boardPart, const std::string &bitPart)
{
    const std::string board = withoutXc(lower(boardPart));
    const std::string bit = withoutXc(lower(bitPart));
    if (board.empty())
        return false;
    if (bit == board)
        return true;
    return bit.compare(0, board.size(), board) == 0 && isPackageCode(std::string_view(bit).substr(board.size()));
}
