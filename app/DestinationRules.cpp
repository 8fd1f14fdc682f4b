#include "app/DestinationRules.h"

namespace obri {

std::string aldNameWithSuffix(std::string name) {
    const std::size_t n = name.size();
    // The piece starts at byte n-6 counted from 1 (index n-7), or at the first byte of a short name.
    const std::size_t start = n >= 7 ? n - 7 : 0;
    const std::string piece = name.substr(start, 3);
    const bool kept = piece.size() == 3 && piece[0] == '_' && (piece[1] == 'g' || piece[1] == 'G') &&
                      (piece[2] == 'a' || piece[2] == 'A');
    if (kept) return name;
    name.erase(n >= 4 ? n - 4 : 0);
    return name + "_GA.ALD";
}

std::string pmsFolderFromChoice(const std::string& chosen) { return chosen + "/"; }

}  // namespace obri
